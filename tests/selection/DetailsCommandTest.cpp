// Page 1's Details command with the framework's real helper and controls:
// what the user chooses in the details dialog is what the page sends for a
// checked service.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include <gtest/gtest.h>

#include "Components.h"
#include "Harness.h"
#include "TestSupport.h"
#include "catalogue/Persistency.h"
#include "comlib/Bstr.h"
#include "comlib/ControlText.h"
#include "selection/Settings.h"

namespace selection_test {
namespace {

// Lists the files of the service's backup folder and names the argument editor.
constexpr char kItemsHelper[] = "{137876EC-4163-4E52-9050-580E8C778CF2}";

class DetailsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lock = std::make_unique<testing_support::RegistryLock>();
    registration = std::make_unique<testing_support::ScopedRegistration>(
        testing_support::BuildPath(L"framework\\ZelFramework.dll"));
    ASSERT_EQ(S_OK, registration->status());
    selection::SetSettingsBaseFolder(settings.path());
    serviceData.WriteFile(L"alarms.dat", "1");
    serviceData.WriteFile(L"project.dat", "22");
    BackupSpec root{"Root", Id(1), "", "RootSys", ""};
    root.nodes = {{"N1", Id(101), true}};
    const std::wstring path = serviceData.path();
    root.services = {{"S1", Id(201), kItemsHelper, std::string(path.begin(), path.end())}};
    backups.WriteFile(L"Root\\BackupInfo.xml", BackupXml(root));
    std::vector<comlib::Bstr> folders = {comlib::Bstr(backups.path())};
    Persistency(settings.path()).WritePaths(folders);
  }
  void TearDown() override {
    selection::SetSettingsBaseFolder(std::wstring());
    ::CoFreeUnusedLibrariesEx(0, 0);
    registration.reset();
    lock.reset();
  }

  std::unique_ptr<testing_support::RegistryLock> lock;
  std::unique_ptr<testing_support::ScopedRegistration> registration;
  testing_support::FakeMachine machine;
  testing_support::TempDir settings, backups, serviceData;
};

TEST_F(DetailsCommandTest, TheCheckedServiceGoesWithTheItemsChosenInDetails) {
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Root"));
  HWND services = page.servicesList();
  testing_support::CheckAndSelect(services, FindItem(services, L"S1"));

  DialogDriver driver([](HWND dialog) {
    HWND list = ::GetWindow(::GetDlgItem(dialog, 666), GW_CHILD);
    EXPECT_EQ((std::vector<std::wstring>{L"alarms.dat", L"project.dat"}), comlib::ListTexts(list));
    ListView_SetCheckState(list, 1, TRUE);
    ::SetWindowTextW(::GetWindow(::GetDlgItem(dialog, 777), GW_CHILD), L"fast");
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  ::SendMessageW(page.window(), WM_COMMAND, MAKEWPARAM(217, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(page.window(), 217)));
  ASSERT_TRUE(driver.ran());

  LONG ok = 0;
  ASSERT_EQ(S_OK, page.Validate(&ok));
  ASSERT_EQ(1, ok);
  ASSERT_EQ(1u, page.session.received.services.size());
  const SentService& sent = page.session.received.services[0];
  EXPECT_EQ(1u, sent.checked);
  ASSERT_EQ(1u, sent.items.size());
  EXPECT_EQ(L"project.dat", sent.items[0].name);
  EXPECT_EQ(L"2 bytes", sent.items[0].description);
  EXPECT_EQ(serviceData.path() + L"\\project.dat", sent.items[0].details);
  EXPECT_EQ(4u, sent.argumentBytes);
}

}  // namespace
}  // namespace selection_test
