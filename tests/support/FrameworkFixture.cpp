#include "FrameworkFixture.h"

namespace testing_support {

void FrameworkTest::SetUp() {
  lock_ = std::make_unique<RegistryLock>();
  registration_ = std::make_unique<ScopedRegistration>(BuildPath(L"framework\\ZelFramework.dll"));
  ASSERT_EQ(S_OK, registration_->status());
}

void FrameworkTest::TearDown() {
  // Objects of the DLL are gone by now; let COM drop its cached servers.
  ::CoFreeUnusedLibrariesEx(0, 0);
  registration_.reset();
  lock_.reset();
}

}  // namespace testing_support
