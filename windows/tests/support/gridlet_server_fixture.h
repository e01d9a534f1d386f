// A test suite that has gridlet.dll registered (and loaded, for its
// exports) while it runs, and a message box answerer for every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "box_answerer.h"
#include "gridlet_interface.h"
#include "wine_test_support.h"

namespace gridlet::wine_test {

class GridletServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = std::make_unique<ServerModule>(EnvironmentPath(L"GRIDLET_DLL"));
    if (server_->Loaded()) registered_ = SUCCEEDED(server_->Register());
  }
  static void TearDownTestSuite() {
    if (server_ && server_->Loaded()) server_->Unregister();
    server_.reset();
  }
  void SetUp() override {
    ASSERT_TRUE(server_ && server_->Loaded()) << "gridlet.dll cannot be loaded from GRIDLET_DLL";
    ASSERT_TRUE(registered_) << "DllRegisterServer failed";
  }

  static ServerModule& Server() { return *server_; }

  // A new object through the ProgID, as a client makes it.
  static IGridlet* Create() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Gridlet.Converter", &clsid))) return nullptr;
    IGridlet* gridlet = nullptr;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IGridlet, reinterpret_cast<void**>(&gridlet));
    return gridlet;
  }

  BoxAnswerer boxes;

 private:
  static inline std::unique_ptr<ServerModule> server_;
  static inline bool registered_ = false;
};

}  // namespace gridlet::wine_test
