// What one conversion of a web request works with: a folder of its own,
// removed on every path, and services of its own (the files, the device
// file service, messages that are kept instead of shown, and the shared
// pool of spreadsheet applications, watched for an instance lost on the
// way).
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/builtin_error_text_service.h"
#include "platform/link_file_device_service.h"
#include "platform/reusing_launcher.h"
#include "platform/std_file_system.h"
#include "server/conversion_request.h"
#include "server/user_messages.h"
#include "web/request_messages.h"

namespace gridlet::web {

// A new empty folder in the system's temporary folder, removed with
// everything in it when this object ends.
class RequestFolder {
 public:
  RequestFolder();
  RequestFolder(const RequestFolder&) = delete;
  RequestFolder& operator=(const RequestFolder&) = delete;
  ~RequestFolder();

  const std::filesystem::path& Path() const { return path_; }
  // A new empty sub-folder.
  std::filesystem::path NewFolder(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// The pool's instances as one conversion sees them.
class WatchedSpreadsheets : public SpreadsheetApplicationLauncher {
 public:
  // `beforeStart` is called before each operation waits for an instance.
  WatchedSpreadsheets(ReusingLauncher& pool, std::function<void()> beforeStart)
      : pool_(pool), beforeStart_(std::move(beforeStart)) {}
  std::unique_ptr<SpreadsheetApplication> Start() override {
    if (beforeStart_) beforeStart_();
    return pool_.StartWatched([this] { lost_ = true; });
  }
  // Whether an instance ended during an operation of this conversion.
  bool Lost() const { return lost_; }

 private:
  ReusingLauncher& pool_;
  std::function<void()> beforeStart_;
  std::atomic<bool> lost_{false};
};

class ConversionEnvironment {
 public:
  // Temporary files go to `folder`. `beforeSpreadsheet` is called before
  // an operation of the spreadsheet application waits for an instance.
  ConversionEnvironment(const std::filesystem::path& folder, ReusingLauncher& spreadsheets,
                        std::function<void()> beforeSpreadsheet);
  ConversionEnvironment(const ConversionEnvironment&) = delete;
  ConversionEnvironment& operator=(const ConversionEnvironment&) = delete;

  ConversionServices Services() { return ConversionServices{files, messages, devices, &spreadsheets}; }

  BuiltinErrorTextServiceFactory builtinTexts;
  CodeNotingErrorTexts errorTexts{builtinTexts};
  RecordingBoxes boxes{errorTexts};
  StdFileSystem files;
  LinkFileDeviceServiceFactory devices{files};
  UserMessages messages{boxes, errorTexts, files};
  WatchedSpreadsheets spreadsheets;
};

}  // namespace gridlet::web
