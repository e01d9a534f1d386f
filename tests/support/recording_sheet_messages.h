// Sheet messages that keep what a sheet reports while it encodes: each
// error's code and detail, each warning's, and each notice.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/sheet_messages.h"

namespace gridlet::testing {

struct RecordingSheetMessages : SheetMessages {
  void ReportError(HRESULT code, std::string_view detail) override {
    reports.push_back({code, std::string(detail)});
  }
  void ShowNotice(const std::string& text) override { notices.push_back(text); }
  void ReportWarning(HRESULT code, std::string_view detail) override {
    warnings.push_back({code, std::string(detail)});
  }

  // The codes reported, in order.
  std::vector<HRESULT> Codes() const {
    std::vector<HRESULT> codes;
    for (const auto& report : reports) codes.push_back(report.first);
    return codes;
  }
  bool Reported(HRESULT code) const {
    for (const auto& report : reports) {
      if (report.first == code) return true;
    }
    return false;
  }

  // How many cells the warnings name as left out ("...: 12 cells, A1, ...").
  std::size_t CellsNamedAsLeftOut() const {
    std::vector<std::string> texts = notices;
    for (const auto& warning : warnings) texts.push_back(warning.second);
    std::size_t n = 0;
    for (const std::string& text : texts) {
      if (text.find("left out") == std::string::npos) continue;
      n += std::stoul(text.substr(text.find(": ") + 2));
    }
    return n;
  }

  std::vector<std::pair<HRESULT, std::string>> reports;
  std::vector<std::pair<HRESULT, std::string>> warnings;
  std::vector<std::string> notices;
};

}  // namespace gridlet::testing
