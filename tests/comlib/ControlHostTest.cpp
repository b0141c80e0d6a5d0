// The platform's control container (atl.dll's AtlAxWin) hosting the
// framework's controls in child windows of a dialog-like parent.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "FrameworkFixture.h"
#include "TestSupport.h"
#include "ZelFramework.h"
#include "comlib/ControlHost.h"
#include "comlib/Unique.h"

namespace comlib_test {
namespace {

using testing_support::ControlWindow;
using testing_support::FrameworkTest;

class ControlHostTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    parent.reset(::CreateWindowExW(0, L"STATIC", L"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   500, 400, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
  }
  void TearDown() override {
    parent.reset();
    testing_support::PumpMessages(20);
    FrameworkTest::TearDown();
  }

  comlib::UniqueHwnd parent;
};

RECT ChildRect(HWND parent, HWND child) {
  RECT r = {};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(ControlHostTest, HostsARegisteredControlInAChildWithTheGivenIdAndRectangle) {
  HWND host = comlib::CreateControlHost(parent.get(), 666, RECT{10, 20, 310, 220},
                                        L"ZelBRItemSelector.ItemSelector");
  ASSERT_NE(nullptr, host);
  EXPECT_EQ(parent.get(), ::GetParent(host));
  EXPECT_EQ(666, ::GetDlgCtrlID(host));
  EXPECT_EQ(host, ::GetDlgItem(parent.get(), 666));
  EXPECT_EQ((RECT{10, 20, 310, 220}), ChildRect(parent.get(), host));

  comlib::ComPtr<IItemSelector> selector = comlib::HostedControl<IItemSelector>(host);
  ASSERT_TRUE(selector);
  // The control is active in place: its own window fills the host.
  HWND list = ControlWindow(host);
  ASSERT_NE(nullptr, list);
  wchar_t name[32] = {};
  ::GetClassNameW(list, name, 32);
  EXPECT_STREQ(WC_LISTVIEWW, name);
  EXPECT_EQ((RECT{0, 0, 300, 200}), ChildRect(host, list));
}

TEST_F(ControlHostTest, HostsAControlNamedByItsClassId) {
  HWND host = comlib::CreateControlHost(parent.get(), 777, RECT{0, 0, 100, 50},
                                        L"{962E1E4C-AC44-4E4A-A4E8-2F0C963DE3A8}");
  ASSERT_NE(nullptr, host);
  EXPECT_TRUE(comlib::HostedControl<IArgumentEditor>(host));
  EXPECT_FALSE(comlib::HostedControl<IItemSelector>(host));
}

// Wine's container makes the window even when the control cannot be
// created (Windows refuses the window); the wrapper leaves no empty host.
TEST_F(ControlHostTest, AnUnregisteredNameGivesNoHost) {
  ASSERT_TRUE(comlib::InitControlHosting());
  HWND raw = ::CreateWindowExW(0, L"AtlAxWin", L"ZelBRItemSelector.NoSuchControl", WS_CHILD, 0, 0,
                               100, 100, parent.get(), reinterpret_cast<HMENU>(555), nullptr, nullptr);
  if (raw) {
    EXPECT_FALSE(comlib::HostedControl<IUnknown>(raw));
    ::DestroyWindow(raw);
  }
  EXPECT_EQ(nullptr, comlib::CreateControlHost(parent.get(), 666, RECT{0, 0, 100, 100},
                                               L"ZelBRItemSelector.NoSuchControl"));
  EXPECT_EQ(nullptr, comlib::CreateControlHost(parent.get(), 777, RECT{0, 0, 100, 100},
                                               L"{00000000-0000-0000-0000-00000000BEEF}"));
  EXPECT_EQ(nullptr, ::GetDlgItem(parent.get(), 666));
  IUnknown* control = reinterpret_cast<IUnknown*>(1);
  EXPECT_TRUE(FAILED(comlib::QueryHostedControl(nullptr, IID_IUnknown, reinterpret_cast<void**>(&control))));
  EXPECT_EQ(nullptr, control);
}

TEST_F(ControlHostTest, TheControlFollowsTheHostsSize) {
  HWND host = comlib::CreateControlHost(parent.get(), 666, RECT{10, 10, 210, 110},
                                        L"ZelBRItemSelector.ItemSelector");
  ASSERT_NE(nullptr, host);
  ::MoveWindow(host, 10, 10, 300, 250, TRUE);
  EXPECT_EQ((RECT{0, 0, 300, 250}), ChildRect(host, ControlWindow(host)));
}

TEST_F(ControlHostTest, DestroyingTheHostReleasesTheControl) {
  HWND host = comlib::CreateControlHost(parent.get(), 666, RECT{10, 10, 210, 110},
                                        L"ZelBRItemSelector.ItemSelector");
  ASSERT_NE(nullptr, host);
  HMODULE framework = ::GetModuleHandleW(L"ZelFramework.dll");
  ASSERT_NE(nullptr, framework);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(::GetProcAddress(framework, "DllCanUnloadNow")));
  ASSERT_NE(nullptr, canUnload);
  EXPECT_EQ(S_FALSE, canUnload());
  ::DestroyWindow(host);
  // Control and site hold each other until the container closes the control.
  EXPECT_EQ(S_OK, canUnload());
}

}  // namespace
}  // namespace comlib_test
