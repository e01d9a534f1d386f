// Conversions through the driver on real files: a private temporary folder,
// the standard file system and link-file device service, scripted message
// boxes and the built-in error texts. Traces are silenced.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "model/trace.h"
#include "platform/builtin_error_text_service.h"
#include "platform/link_file_device_service.h"
#include "platform/scripted_message_boxes.h"
#include "platform/std_file_system.h"
#include "server/conversion_driver.h"
#include "server/user_messages.h"

namespace gridlet::testing {

class DiskConversionFixture : public ::testing::Test {
 protected:
  using Bytes = std::vector<std::uint8_t>;

  void SetUp() override {
    previous_ = SetTraceSink(nullptr);
    char folder[] = "/tmp/gridlet_test_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir_ = std::string(folder) + "/";
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    SetTraceSink(previous_);
  }

  // A request for a file of the folder, written to the folder (or to
  // `output` when one is given).
  ConversionRequest Request(const std::string& input, GRIDLET_FILE_TYPES from,
                            GRIDLET_FILE_TYPES to, const std::string& name,
                            const std::string& output = {}) const {
    ConversionRequest request;
    request.inputPath = dir_ + input;
    request.fromType = from;
    request.outputLocation = output.empty() ? dir_ : output;
    request.saveInternalName = name;
    request.toType = to;
    return request;
  }
  HRESULT Convert(const ConversionRequest& request, std::optional<std::string>* fileName = nullptr) {
    std::optional<std::string> ignored;
    return driver_.Convert(request, fileName ? fileName : &ignored);
  }
  HRESULT Convert(const std::string& input, GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                  const std::string& name, std::optional<std::string>* fileName = nullptr,
                  const std::string& output = {}) {
    return Convert(Request(input, from, to, name, output), fileName);
  }
  // The records a file of the folder reads into.
  std::vector<IntermediateCell> Records(const std::string& input, GRIDLET_FILE_TYPES from) {
    std::vector<IntermediateCell> records;
    EXPECT_EQ(driver_.ReadRecords(Request(input, from, QZ_GRIDLET_NULL, ""), records), S_OK);
    return records;
  }

  void Put(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ + name, std::ios::binary) << content;
  }
  void Put(const std::string& name, const Bytes& content) const {
    Put(name, std::string(content.begin(), content.end()));
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(dir_ + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  Bytes GetBytes(const std::string& name) const {
    const std::string text = Get(name);
    return Bytes(text.begin(), text.end());
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ + name); }
  // The names in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Whether a box shown so far begins with the code's text.
  bool Reported(HRESULT code) const {
    for (const auto& box : boxes.boxes) {
      if (box.text.rfind(KnownErrorText(code), 0) == 0) return true;
    }
    return false;
  }
  // Whether a box shown so far holds the text.
  bool Told(const std::string& what) const {
    for (const auto& box : boxes.boxes) {
      if (box.text.find(what) != std::string::npos) return true;
    }
    return false;
  }

  std::string dir_;
  StdFileSystem files;
  ScriptedMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  UserMessages messages{boxes, errorTexts, files};
  LinkFileDeviceServiceFactory devices{files};

 private:
  ConversionDriver driver_{ConversionServices{files, messages, devices}};
  TraceSink previous_ = nullptr;
};

}  // namespace gridlet::testing
