// CheckPermission against the framework's security initializer in its three
// states: not registered, refusing, granting.
#include <windows.h>

#include <gtest/gtest.h>

#include "Components.h"
#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/ComPtr.h"

namespace {

using comlib::ComPtr;
using testing_support::BuildPath;
using testing_support::RegistryLock;
using testing_support::ServerDll;

const wchar_t kSecurityKey[] = L"Software\\Ondrel\\ZelFramework\\Security";
const ObjectId kRestoreOperation = {0x3899A723, 0xCBDD, 0x48B4, {0xA1, 0x96, 0xF0, 0x11, 0xF5, 0x2D, 0xA0, 0x90}};
const ObjectId kOtherOperation = {0x3899A723, 0xCBDD, 0x48B4, {0xA1, 0x96, 0xF0, 0x11, 0xF5, 0x2D, 0xA0, 0x91}};

enum class Security { Missing, Refusing, Granting, GrantingByDefault };

class PermissionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.loaded());
    ASSERT_TRUE(framework_.loaded());
    // Whatever an earlier run left behind.
    framework_.Unregister();
    ASSERT_EQ(S_OK, module_.Create(CLSID_RestoreControl, IID_IZelCWControlEx, control_.PutVoid()));
  }
  void TearDown() override {
    framework_.Unregister();
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSecurityKey, L"Grant");
  }

  void Arrange(Security security) {
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSecurityKey, L"Grant");
    if (security == Security::Missing) {
      framework_.Unregister();
      return;
    }
    ASSERT_EQ(S_OK, framework_.Register());
    if (security == Security::GrantingByDefault) return;
    const DWORD grant = security == Security::Granting ? 1 : 0;
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSecurityKey, L"Grant",
                                               REG_DWORD, &grant, sizeof grant));
  }

  RegistryLock lock_;
  ServerDll module_{BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
  ServerDll framework_{BuildPath(L"framework\\ZelFramework.dll")};
  ComPtr<IZelCWControlEx> control_;
};

TEST_F(PermissionTest, OnlyTheRestoreOperationAndOnlyWhenSecurityAllows) {
  const struct {
    Security security;
    const ObjectId* operation;
    LONG permitted;
  } cases[] = {
      {Security::Missing, &kRestoreOperation, 0},
      {Security::Missing, &kOtherOperation, 0},
      {Security::Refusing, &kRestoreOperation, 0},
      {Security::Refusing, &kOtherOperation, 0},
      {Security::Granting, &kRestoreOperation, 1},
      {Security::Granting, &kOtherOperation, 0},
      {Security::GrantingByDefault, &kRestoreOperation, 1},
      {Security::GrantingByDefault, &kOtherOperation, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "security " << static_cast<int>(c.security) << ", operation "
                                    << (c.operation == &kRestoreOperation ? "restore" : "other"));
    Arrange(c.security);
    LONG permitted = 42;
    EXPECT_EQ(S_OK, control_->CheckPermission(c.operation, 0, &permitted));
    EXPECT_EQ(c.permitted, permitted);
  }
}

}  // namespace
