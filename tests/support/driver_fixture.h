// A conversion driver over scripted files, message boxes and device
// service, for tests of routing, results and messages.
#pragma once

#include <gtest/gtest.h>

#include "model/trace.h"
#include "platform/builtin_error_text_service.h"
#include "platform/scripted_message_boxes.h"
#include "server/conversion_driver.h"
#include "server/user_messages.h"
#include "support/in_memory_file_system.h"
#include "support/recording_device_service.h"

namespace gridlet::testing {

class DriverFixture : public ::testing::Test {
 protected:
  void SetUp() override { previousSink_ = SetTraceSink(nullptr); }
  void TearDown() override { SetTraceSink(previousSink_); }

  ConversionServices Services() { return ConversionServices{files, messages, devices, nullptr}; }

  ConversionRequest Request(GRIDLET_FILE_TYPES from, GRIDLET_FILE_TYPES to,
                            const std::string& input = "/in/sheet.txt",
                            const std::string& name = "copy") {
    ConversionRequest request;
    request.inputPath = input;
    request.fromType = from;
    request.outputLocation = "/out/";
    request.saveInternalName = name;
    request.toType = to;
    return request;
  }

  // The texts of the boxes shown so far.
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& box : boxes.boxes) out.push_back(box.text);
    return out;
  }

  InMemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  BuiltinErrorTextServiceFactory errorTexts;
  UserMessages messages{boxes, errorTexts, files};
  DeviceScript device;
  RecordingDeviceFactory devices{device};

 private:
  TraceSink previousSink_ = nullptr;
};

}  // namespace gridlet::testing
