// GDI+ for the tests of one program, started once as a global environment.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

namespace testing_support {

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  void TearDown() override {
    if (token_) Gdiplus::GdiplusShutdown(token_);
    token_ = 0;
  }
  // Registers the environment once, whichever test file asks first.
  static bool Register() {
    static const bool registered = [] {
      ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
      return true;
    }();
    return registered;
  }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace testing_support
