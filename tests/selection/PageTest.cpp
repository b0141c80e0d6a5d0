// Page 1 driven as the wizard host and a user drive it: the host's calls
// through the page's interfaces, the user's through window messages to the
// real controls.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "Harness.h"
#include "TestSupport.h"
#include "ZelFramework.h"
#include "catalogue/ObjectIds.h"
#include "comlib/Bstr.h"
#include "comlib/ControlText.h"
#include "comlib/Dialog.h"

namespace selection_test {
namespace {

using testing_support::FakeMachine;
using testing_support::TempDir;

class PageTest : public ::testing::Test {
 protected:
  std::wstring Write(const std::wstring& folder, const BackupSpec& backup) {
    return backups.WriteFile(folder + L"\\BackupInfo.xml", BackupXml(backup));
  }
  void Configure(const std::vector<std::wstring>& folders) { settings.Configure(folders); }

  // Opens the page over the fixtures and leaves it forward with `backup` chosen.
  void LeaveWith(PageHost& page, const wchar_t* backup) {
    WriteFixtures();
    page.Open();
    ASSERT_TRUE(page.Select(backup));
    LONG ok = 0;
    ASSERT_EQ(S_OK, page.Validate(&ok));
    EXPECT_EQ(1, ok);
  }

  // Root with two nodes and two services, Mid and Leaf below it with no
  // nodes of their own, a legacy backup, an orphan, two backups sharing an
  // id with a dependent, one naming itself as parent and one whose id does
  // not parse.
  void WriteFixtures() {
    BackupSpec root{"Root", Id(1), "", "RootSys", "Root description"};
    root.nodes = {{"N1", Id(101), true}, {"N2", Id(102), false}};
    root.services = {{"S1", Id(201), Id(301), "C:\\S1"}, {"S2", Id(202), Id(302), "C:\\S2"}};
    rootPath = Write(L"B01Root", root);
    midPath = Write(L"B02Mid", {"Mid", Id(2), Id(1), "MidSys", "Mid description"});
    BackupSpec leaf{"Leaf", Id(3), Id(2), "LeafSys", "Leaf description"};
    leaf.projectData = "E:\\P";
    leafPath = Write(L"B03Leaf", leaf);
    BackupSpec legacy{"", "", "", "LegacySys", ""};
    legacy.nodes = {{"L1", Id(111), true}};
    Write(L"B04Legacy", legacy);
    Write(L"B05Orphan", {"Orphan", Id(5), Id(99)});
    Write(L"B06DupA", {"DupA", Id(6), ""});
    dupBPath = Write(L"B07DupB", {"DupB", Id(6), ""});
    Write(L"B08DupChild", {"DupChild", Id(8), Id(6)});
    Write(L"B09Self", {"Self", Id(9), Id(9)});
    Write(L"B10NullId", {"NullId", "", ""});
    Configure({backups.path()});
  }

  FakeMachine machine;
  TempDir backups;
  SettingsFolder settings;
  std::wstring rootPath, midPath, leafPath, dupBPath;
};

TEST_F(PageTest, TreeShowsDependentsUnderTheirParentAndEveryBackupOnce) {
  WriteFixtures();
  PageHost page;
  page.Open();
  // The orphan and the backup naming itself reach no top-level backup; the
  // copy of an id shows its dependent once; the unparsable id is a plain root.
  EXPECT_EQ(L"Root[Mid[Leaf]],B04Legacy,DupA[DupChild],DupB,NullId", TreeText(page.backupTree()));
  // Services list, version list and Details stay hidden.
  for (HWND hidden : {page.servicesList(), page.versionList(), ::GetDlgItem(page.window(), 217)}) {
    EXPECT_FALSE(::IsWindowVisible(hidden));
    EXPECT_FALSE(::IsWindowEnabled(hidden));
  }
  EXPECT_TRUE(::GetWindowLongW(page.servicesList(), GWL_STYLE) & TVS_CHECKBOXES);
  EXPECT_EQ(L"Select Path", comlib::WindowText(::GetDlgItem(page.window(), 212)));
  EXPECT_EQ(L"View Info", comlib::WindowText(::GetDlgItem(page.window(), 213)));
}

TEST_F(PageTest, ASearchLongerThanHalfASecondShowsTheWaitCursorUntilTheTreeIsFilled) {
  WriteFixtures();
  const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR busy = ::LoadCursorW(nullptr, IDC_WAIT);
  using Waits = std::vector<std::pair<DWORD, HCURSOR>>;
  struct Case {
    const char* name;
    bool slow;
    Waits waits;  // time limit of each wait, cursor shown as it began
  };
  for (const Case& c : {Case{"quick", false, {{500, arrow}}}, Case{"slow", true, {{500, arrow}, {INFINITE, busy}}}}) {
    SCOPED_TRACE(c.name);
    machine.blockingWaits.clear();
    machine.slowWaits = c.slow;
    machine.cursor = arrow;
    PageHost page;
    page.Open();
    Waits waits;
    for (const FakeMachine::BlockingWait& w : machine.blockingWaits) waits.emplace_back(w.timeoutMs, w.cursor);
    EXPECT_TRUE(c.waits == waits);
    EXPECT_EQ(arrow, machine.cursor);
    EXPECT_EQ(L"Root[Mid[Leaf]],B04Legacy,DupA[DupChild],DupB,NullId", TreeText(page.backupTree()));
  }
}

TEST_F(PageTest, EachCopyOfARepeatedIdCommitsItself) {
  PageHost page;
  LeaveWith(page, L"DupB");
  EXPECT_TRUE(page.session.received.backupName == L"DupB");
  EXPECT_TRUE(page.session.received.backupPath == dupBPath.c_str());
}

TEST_F(PageTest, LeavingWithoutASelectionAsksForOne) {
  struct Case {
    const char* name;
    bool configured;
  };
  for (const Case& c : {Case{"no folder", false}, Case{"nothing selected", true}}) {
    SCOPED_TRACE(c.name);
    if (c.configured) WriteFixtures();
    PageHost page;
    page.Open();
    EXPECT_EQ(c.configured, !TreeText(page.backupTree()).empty());
    LONG ok = -1;
    EXPECT_EQ(S_OK, page.Validate(&ok));
    EXPECT_EQ(0, ok);
    EXPECT_TRUE(page.session.calls.empty());
    comlib::ComPtr<IZelCWPropertyPageAdaption> wizard;
    ASSERT_EQ(S_OK, page.page.As(&wizard));
    comlib::Bstr message;
    EXPECT_EQ(S_OK, wizard->GetValidationMessage(message.put()));
    EXPECT_EQ(L"Select a valid node!", message.str());
  }
}

TEST_F(PageTest, DependentBackupTakesTheNodesOfItsNearestAncestorAndTheChainLowestFirst) {
  PageHost page;
  LeaveWith(page, L"Leaf");
  FakeSession& s = page.session;
  EXPECT_EQ((std::vector<std::string>{"SetRestoreNode", "SetRestoreInfo", "SetBackupDependency"}), s.Methods());
  ASSERT_EQ(2u, s.received.nodeNames.size());
  EXPECT_TRUE(s.received.nodeNames[0] == L"N1");
  EXPECT_TRUE(s.received.nodeNames[1] == L"N2");
  EXPECT_TRUE(s.received.nodeIds[0] == IdValue(101));
  EXPECT_TRUE(s.received.nodeIds[1] == IdValue(102));
  EXPECT_EQ((std::vector<LONG>{1, 0}), s.received.primaryFlags);
  // Name, path and system information are the selected backup's own.
  EXPECT_TRUE(s.received.backupName == L"Leaf");
  EXPECT_TRUE(s.received.backupPath == leafPath.c_str());
  ASSERT_EQ(6u, s.received.restoreInfo.size());
  EXPECT_TRUE(s.received.restoreInfo[0] == L"LeafSys");
  EXPECT_TRUE(s.received.restoreInfo[1] == L"Leaf description");
  EXPECT_TRUE(s.received.restoreInfo[4].null || s.received.restoreInfo[4].text.empty()) << "no RESTORENODE in Leaf";
  // With the services list hidden nothing is checked.
  EXPECT_TRUE(s.received.services.empty());
  EXPECT_TRUE(s.received.serviceArrayNull);
  ASSERT_EQ(3u, s.received.dependency.size());
  EXPECT_TRUE(s.received.dependency[0] == leafPath.c_str());
  EXPECT_TRUE(s.received.dependency[1] == midPath.c_str());
  EXPECT_TRUE(s.received.dependency[2] == rootPath.c_str());
}

TEST_F(PageTest, RootBackupHandsOverItsOwnSystemInformation) {
  PageHost page;
  LeaveWith(page, L"Root");
  const std::vector<Text>& info = page.session.received.restoreInfo;
  ASSERT_EQ(6u, info.size());
  // name, description, server, server2, system (= project data), workplace
  const wchar_t* expected[] = {L"RootSys", L"Root description", L"D:\\Server", L"D:\\Server2",
                               L"D:\\Project", L"D:\\Workplace"};
  for (size_t i = 0; i < 6; ++i) EXPECT_TRUE(info[i] == expected[i]) << i;
  ASSERT_EQ(1u, page.session.received.dependency.size());
}

TEST_F(PageTest, CheckedServicesGoToTheSessionAsTheServicesListShowsThem) {
  WriteFixtures();
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Root"));
  HWND services = page.servicesList();
  EXPECT_EQ(L"S1,S2", TreeText(services));
  HTREEITEM s2 = FindItem(services, L"S2");
  for (HTREEITEM item : {FindItem(services, L"S1"), s2})
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(1),
              ::SendMessageW(services, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
  // The user checks S2 and selects it, which also enables Details.
  testing_support::CheckAndSelect(services, s2);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page.window(), 217)));

  LONG ok = 0;
  ASSERT_EQ(S_OK, page.Validate(&ok));
  ASSERT_EQ(1u, page.session.received.services.size());
  const SentService& sent = page.session.received.services[0];
  EXPECT_EQ(L"S2", sent.name);
  EXPECT_TRUE(sent.serviceId == IdValue(202));
  EXPECT_TRUE(sent.helperId == IdValue(302));
  EXPECT_EQ(L"C:\\S2", sent.backupPath);
  EXPECT_EQ(1u, sent.checked);
  EXPECT_TRUE(sent.items.empty());
  EXPECT_EQ(0u, sent.argumentBytes);
  EXPECT_EQ(nullptr, sent.argumentData);

  // Selecting the backup again drops the check marks.
  ASSERT_TRUE(page.Select(L"Mid"));
  ASSERT_TRUE(page.Select(L"Root"));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page.window(), 217)));
  EXPECT_EQ(INDEXTOSTATEIMAGEMASK(1),
            ::SendMessageW(services, TVM_GETITEMSTATE,
                           reinterpret_cast<WPARAM>(FindItem(services, L"S2")), TVIS_STATEIMAGEMASK));
  ::SendMessageW(services, TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(FindItem(services, L"S1")));
  ASSERT_EQ(S_OK, page.Validate(&ok));
  EXPECT_TRUE(page.session.received.services.empty());
  EXPECT_TRUE(page.session.received.serviceArrayNull);
}

TEST_F(PageTest, VersionListOffersBothVersionsWithAllSelected) {
  WriteFixtures();
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Mid"));
  HWND versions = page.versionList();
  ASSERT_EQ(2, ::SendMessageW(versions, CB_GETCOUNT, 0, 0));
  EXPECT_EQ(0, ::SendMessageW(versions, CB_GETCURSEL, 0, 0));
  wchar_t text[64] = {};
  ::SendMessageW(versions, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(L"All Versions", text);
  ::SendMessageW(versions, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(L"Current Version", text);
}

TEST_F(PageTest, AFailureWhileCommittingIsNoSuccess) {
  for (const char* method : {"SetRestoreNode", "SetRestoreInfo", "SetBackupDependency"}) {
    SCOPED_TRACE(method);
    WriteFixtures();
    PageHost page;
    page.Open();
    ASSERT_TRUE(page.Select(L"Mid"));
    page.session.results[method] = E_FAIL;
    LONG ok = 1;
    EXPECT_EQ(E_UNEXPECTED, page.Validate(&ok));
    EXPECT_EQ(0, ok);
    // Nothing after the refused call.
    EXPECT_EQ(method, page.session.calls.back().method);
  }
}

// The host's dialog manager tabs into the page only while it is a control parent.
TEST_F(PageTest, KeepsTheControlParentStyle) {
  PageHost page;
  page.Open();
  ::SetWindowLongW(page.window(), GWL_EXSTYLE, 0);
  EXPECT_NE(0, ::GetWindowLongW(page.window(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

TEST_F(PageTest, TheTreeIsBuiltAgainWhenThePageIsShownAgain) {
  WriteFixtures();
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Leaf"));
  page.Close();
  EXPECT_EQ(nullptr, page.window());
  Configure({});
  page.Open();
  EXPECT_EQ(L"", TreeText(page.backupTree()));
  LONG ok = 1;
  EXPECT_EQ(S_OK, page.Validate(&ok));
  EXPECT_EQ(0, ok);
}

TEST_F(PageTest, PathListOkRebuildsTheTreeAndClearsTheSelection) {
  WriteFixtures();
  TempDir other;
  other.WriteFile(L"Solo\\BackupInfo.xml", BackupXml({"Solo", Id(50), ""}));
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Root"));
  machine.folders = {other.path()};
  DialogDriver driver([](HWND dialog) {
    HWND list = ::GetDlgItem(dialog, 256);
    // Remove the backups' folder, add the other one.
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ::SendMessageW(::GetDlgItem(dialog, 258), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(dialog, 257), BM_CLICK, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  page.Click(212);
  ASSERT_TRUE(driver.ran());
  EXPECT_EQ(std::vector<std::wstring>{other.path()}, settings.Configured());
  EXPECT_EQ(L"Solo", TreeText(page.backupTree()));
  LONG ok = 1;
  EXPECT_EQ(S_OK, page.Validate(&ok));
  EXPECT_EQ(0, ok);
  ASSERT_TRUE(page.Select(L"Solo"));
  EXPECT_EQ(S_OK, page.Validate(&ok));
  EXPECT_EQ(1, ok);
  EXPECT_TRUE(page.session.received.backupName == L"Solo");
}

TEST_F(PageTest, PathListCancelLeavesTreeAndSelection) {
  WriteFixtures();
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Mid"));
  const std::string before = settings.Bytes();
  machine.folders = {L"C:\\Elsewhere"};
  DialogDriver driver([](HWND dialog) {
    ::SendMessageW(::GetDlgItem(dialog, 257), BM_CLICK, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  page.Click(212);
  ASSERT_TRUE(driver.ran());
  EXPECT_EQ(before, settings.Bytes());
  EXPECT_EQ(L"Root[Mid[Leaf]],B04Legacy,DupA[DupChild],DupB,NullId", TreeText(page.backupTree()));
  LONG ok = 0;
  EXPECT_EQ(S_OK, page.Validate(&ok));
  EXPECT_EQ(1, ok);
  EXPECT_TRUE(page.session.received.backupName == L"Mid");
}

struct InfoShown {
  std::wstring caption, close, path, name, description;
};

InfoShown ReadInfo(HWND dialog) {
  return {comlib::WindowText(dialog), comlib::WindowText(::GetDlgItem(dialog, IDOK)),
          comlib::WindowText(::GetDlgItem(dialog, 233)), comlib::WindowText(::GetDlgItem(dialog, 234)),
          comlib::WindowText(::GetDlgItem(dialog, 235))};
}

TEST_F(PageTest, ViewInfoShowsTheSelectedBackup) {
  WriteFixtures();
  PageHost page;
  page.Open();
  ASSERT_TRUE(page.Select(L"Root"));
  InfoShown shown;
  HWND owner = nullptr;
  DialogDriver driver([&](HWND dialog) {
    shown = ReadInfo(dialog);
    owner = ::GetWindow(dialog, GW_OWNER);
    ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  page.Click(213);
  ASSERT_TRUE(driver.ran());
  EXPECT_EQ(L"Information", shown.caption);
  EXPECT_EQ(L"Close", shown.close);
  EXPECT_EQ(rootPath, shown.path);
  EXPECT_EQ(L"RootSys", shown.name);
  EXPECT_EQ(L"Root description", shown.description);
  EXPECT_EQ(page.host, owner) << "the window active when it opened";
  EXPECT_TRUE(page.session.calls.empty());
}

TEST_F(PageTest, ViewInfoWithNothingSelectedIsEmpty) {
  WriteFixtures();
  PageHost page;
  page.Open();
  InfoShown shown{L"x", L"x", L"x", L"x", L"x"};
  DialogDriver driver([&](HWND dialog) {
    shown = ReadInfo(dialog);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  page.Click(213);
  ASSERT_TRUE(driver.ran());
  EXPECT_EQ(L"Information", shown.caption);
  EXPECT_EQ(L"", shown.path);
  EXPECT_EQ(L"", shown.name);
  EXPECT_EQ(L"", shown.description);
}

}  // namespace
}  // namespace selection_test
