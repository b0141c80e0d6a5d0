#pragma once
// A fixture for tests of the framework's own components, which must be
// registered in the shared prefix while they run.
#include <windows.h>

#include <memory>

#include <gtest/gtest.h>

#include "Components.h"

namespace testing_support {

// ZelFramework.dll registered for the fixture's life, under the registry lock.
class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  std::unique_ptr<RegistryLock> lock_;
  std::unique_ptr<ScopedRegistration> registration_;
};

// The window a hosted control made inside its host window.
inline HWND ControlWindow(HWND host) { return host ? ::GetWindow(host, GW_CHILD) : nullptr; }

}  // namespace testing_support
