// The backup details dialog run modally with the framework's real controls,
// driven from inside its modal loop the way a user would: through the
// selector's list and the editor's text.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "DetailsFixture.h"
#include "TestSupport.h"
#include "ZelFramework.h"
#include "catalogue/BackupNode.h"
#include "catalogue/ObjectIds.h"
#include "comlib/ControlText.h"
#include "comlib/Dialog.h"
#include "comlib/ResourceText.h"
#include "resource.h"
#include "selection/Details.h"
#include "selection/DetailsCommand.h"

namespace details_test {
namespace {

using selection::CDetails;

constexpr int kSelector = IDC_ITEM_SELECTOR_HOST;
constexpr int kEditor = IDC_ARGUMENT_EDITOR_HOST;

RECT Client(HWND dialog) {
  RECT r = {};
  ::GetClientRect(dialog, &r);
  return r;
}

std::string EditorText(HWND dialog) {
  const std::wstring text = comlib::WindowText(ControlWindow(::GetDlgItem(dialog, kEditor)));
  return std::string(text.begin(), text.end());
}

void SetEditorText(HWND dialog, const wchar_t* text) {
  ::SetWindowTextW(ControlWindow(::GetDlgItem(dialog, kEditor)), text);
}

HWND SelectorList(HWND dialog) { return ControlWindow(::GetDlgItem(dialog, kSelector)); }

using DetailsTest = FrameworkTest;

TEST_F(DetailsTest, HostRectanglesLeaveTheBandsBelowTheSelector) {
  struct Case {
    int line;
    bool editor;
    RECT selector, editorRect;
  } cases[] = {
      {__LINE__, false, {10, 10, 290, 260}, {0, 0, 0, 0}},
      {__LINE__, true, {10, 10, 290, 100}, {10, 110, 290, 260}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const selection::DetailsHostRects rects = selection::DetailsHostRectsFor(300, 300, c.editor);
    EXPECT_EQ(c.selector, rects.selector);
    EXPECT_EQ(c.editorRect, rects.editor);
  }
}

// One run per case: the hosts where the dialog puts them, then 100 pixels
// more in each direction.
TEST_F(DetailsTest, HostsFollowTheDialogWhenItGrows) {
  for (bool withEditor : {false, true}) {
    SCOPED_TRACE(withEditor ? "with editor" : "without editor");
    CDetails dialog;
    dialog.SetDetailsData({MakeItem(L"a.dat", 1)}, {});
    if (withEditor) dialog.SetArgumentEditor(kArgumentEditor);
    DetailsDriver driver([&](HWND d) {
      // The template is 302 x 337 dialog units; its 8-point Tahoma has base
      // units of 7 x 13 pixels in the test prefix, so the client is
      // 529 x 548 pixels. The hosts keep 10 pixels from the edges, above a
      // band of 40 for the buttons, or of 200 with the editor in it.
      EXPECT_EQ((RECT{0, 0, 529, 548}), Client(d));
      EXPECT_EQ(withEditor ? (RECT{10, 10, 519, 348}) : (RECT{10, 10, 519, 508}),
                ClientRectOf(d, kSelector));
      if (withEditor)
        EXPECT_EQ((RECT{10, 358, 519, 508}), ClientRectOf(d, kEditor));
      else
        EXPECT_EQ(nullptr, ::GetDlgItem(d, kEditor));
      const RECT selector = ClientRectOf(d, kSelector), editor = ClientRectOf(d, kEditor);
      const RECT ok = ClientRectOf(d, IDOK), cancel = ClientRectOf(d, IDCANCEL);

      RECT frame = {};
      ::GetWindowRect(d, &frame);
      ::SetWindowPos(d, nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top + 100,
                     SWP_NOMOVE | SWP_NOZORDER);
      EXPECT_EQ((RECT{selector.left, selector.top, selector.right + 100, selector.bottom + 100}),
                ClientRectOf(d, kSelector));
      if (withEditor) {
        EXPECT_EQ((RECT{editor.left, editor.top + 100, editor.right + 100, editor.bottom + 100}),
                  ClientRectOf(d, kEditor));
      }
      for (auto [id, before] : {std::pair<int, RECT>{IDOK, ok}, {IDCANCEL, cancel}})
        EXPECT_EQ((RECT{before.left + 100, before.top + 100, before.right + 100, before.bottom + 100}),
                  ClientRectOf(d, id));
      // The hosted control follows its host.
      RECT list = {};
      ::GetClientRect(::GetDlgItem(d, kSelector), &list);
      RECT inner = {};
      ::GetWindowRect(SelectorList(d), &inner);
      EXPECT_EQ(list.right, inner.right - inner.left);
      EXPECT_EQ(list.bottom, inner.bottom - inner.top);
      Press(d, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dialog.Run());
    EXPECT_TRUE(driver.ran());
  }
}

TEST_F(DetailsTest, TheCaptionIsTheDetailsString) {
  CDetails dialog;
  DetailsDriver driver([](HWND d) {
    EXPECT_EQ(comlib::ResourceString(IDS_DETAILS), comlib::WindowText(d));
    Press(d, IDCANCEL);
  });
  dialog.Run();
  EXPECT_TRUE(driver.ran());
}

TEST_F(DetailsTest, OkTakesTheChosenItemsSelectionAndEditedArguments) {
  CDetails dialog;
  dialog.SetDetailsData({MakeItem(L"a.dat", 11), MakeItem(L"b.dat", 12), MakeItem(L"c.dat", 13)},
                        {12});
  dialog.SetArgumentEditor(kArgumentEditor);
  dialog.SetArguments(MakeArguments("mode=full"));
  DetailsDriver driver([](HWND d) {
    HWND list = SelectorList(d);
    EXPECT_EQ((std::vector<std::wstring>{L"a.dat", L"b.dat", L"c.dat"}), comlib::ListTexts(list));
    EXPECT_EQ((std::vector<bool>{false, true, false}), ListChecks(list));
    EXPECT_EQ("mode=full", EditorText(d));
    SetCheck(list, 2, true);
    SetEditorText(d, L"mode=part");
    Press(d, IDOK);
  });
  ASSERT_EQ(IDOK, dialog.Run());
  std::vector<records::OwnedBackupItem> items;
  std::vector<LONG> values;
  dialog.GetDetailsData(&items, &values);
  EXPECT_EQ((std::vector<std::wstring>{L"b.dat", L"c.dat"}), Names(items));
  ASSERT_EQ(2u, items.size());
  // Every field of the chosen records survives the trip through the control.
  const records::OwnedBackupItem expected = MakeItem(L"c.dat", 13);
  EXPECT_EQ(expected.description, items[1].description);
  EXPECT_EQ(expected.details, items[1].details);
  EXPECT_EQ(0, memcmp(expected.identifier, items[1].identifier, 32));
  EXPECT_EQ((std::vector<LONG>{12, 13}), values);
  EXPECT_EQ("mode=part", Bytes(dialog.GetArguments()));
}

TEST_F(DetailsTest, OkWithNothingChosenGivesNoItems) {
  CDetails dialog;
  dialog.SetDetailsData({MakeItem(L"a.dat", 11), MakeItem(L"b.dat", 12)}, {11, 12});
  DetailsDriver driver([](HWND d) {
    HWND list = SelectorList(d);
    SetCheck(list, 0, false);
    SetCheck(list, 1, false);
    Press(d, IDOK);
  });
  ASSERT_EQ(IDOK, dialog.Run());
  std::vector<records::OwnedBackupItem> items = {MakeItem(L"stale", 1)};
  std::vector<LONG> values = {1};
  dialog.GetDetailsData(&items, &values);
  EXPECT_TRUE(items.empty());
  EXPECT_TRUE(values.empty());
}

TEST_F(DetailsTest, WithoutAnEditorOkEmptiesTheArguments) {
  CDetails dialog;
  dialog.SetArguments(MakeArguments("keep me"));
  DetailsDriver driver([](HWND d) { Press(d, IDOK); });
  ASSERT_EQ(IDOK, dialog.Run());
  EXPECT_TRUE(dialog.GetArguments().IsEmpty());
}

TEST_F(DetailsTest, PaintingInvalidatesTheHostedControls) {
  CDetails dialog;
  dialog.SetArgumentEditor(kArgumentEditor);
  DetailsDriver driver([](HWND d) {
    for (int id : {kSelector, kEditor}) {
      HWND host = ::GetDlgItem(d, id);
      ::RedrawWindow(host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      EXPECT_FALSE(::GetUpdateRect(ControlWindow(host), nullptr, FALSE));
    }
    // Only the dialog itself is invalid; its own paint must spread to the hosts.
    ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    ::SendMessageW(d, WM_PAINT, 0, 0);
    for (int id : {kSelector, kEditor})
      EXPECT_TRUE(::GetUpdateRect(ControlWindow(::GetDlgItem(d, id)), nullptr, FALSE)) << id;
    Press(d, IDCANCEL);
  });
  dialog.Run();
  EXPECT_TRUE(driver.ran());
}

// --- the procedure of the page's Details command --------------------------

class RunServiceDetailsTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    backup.WriteFile(L"alarms.dat", "12345");
    backup.WriteFile(L"archive\\2024.dat", "1");
    backup.WriteFile(L"project.dat", "12");
    service.name = comlib::Bstr(L"Historian");
    service.helperId = FromGuid(kItemsHelper);
    service.backupPath = comlib::Bstr(backup.path());
    service.checked = false;
  }

  testing_support::TempDir backup;
  ServiceEntry service;
};

TEST_F(RunServiceDetailsTest, OkWritesTheChoiceBackAndTheNextRunStartsFromIt) {
  DetailsDriver first([](HWND d) {
    HWND list = SelectorList(d);
    EXPECT_EQ((std::vector<std::wstring>{L"alarms.dat", L"archive\\2024.dat", L"project.dat"}),
              comlib::ListTexts(list));
    EXPECT_EQ((std::vector<bool>{false, false, false}), ListChecks(list));
    SetCheck(list, 0, true);
    SetCheck(list, 2, true);
    SetEditorText(d, L"overwrite=yes");
    Press(d, IDOK);
  });
  ASSERT_EQ(S_OK, selection::RunServiceDetails(service));
  ASSERT_TRUE(first.ran());
  EXPECT_EQ((std::vector<std::wstring>{L"alarms.dat", L"project.dat"}), Names(service.items));
  ASSERT_EQ(2u, service.items.size());
  EXPECT_EQ(L"5 bytes", service.items[0].description.str());
  EXPECT_EQ(backup.path() + L"\\alarms.dat", service.items[0].details.str());
  EXPECT_EQ(2u, service.selectionValues.size());
  EXPECT_EQ("overwrite=yes", Bytes(service.arguments));
  EXPECT_FALSE(service.checked);  // the check mark is the page's

  // A file added since: the earlier choice still stands for the old files.
  backup.WriteFile(L"added.dat", "");
  DetailsDriver second([](HWND d) {
    HWND list = SelectorList(d);
    EXPECT_EQ((std::vector<bool>{false, true, false, true}), ListChecks(list));
    EXPECT_EQ("overwrite=yes", EditorText(d));
    Press(d, IDCANCEL);
  });
  EXPECT_EQ(S_FALSE, selection::RunServiceDetails(service));
  EXPECT_TRUE(second.ran());
}

TEST_F(RunServiceDetailsTest, CancelAfterAChangeLeavesTheServiceAsItWas) {
  service.items = {MakeItem(L"old.dat", 7)};
  service.selectionValues = {7};
  service.arguments = MakeArguments("before");
  DetailsDriver driver([](HWND d) {
    SetCheck(SelectorList(d), 1, true);
    SetEditorText(d, L"after");
    Press(d, IDCANCEL);
  });
  EXPECT_EQ(S_FALSE, selection::RunServiceDetails(service));
  EXPECT_TRUE(driver.ran());
  EXPECT_EQ((std::vector<std::wstring>{L"old.dat"}), Names(service.items));
  EXPECT_EQ((std::vector<LONG>{7}), service.selectionValues);
  EXPECT_EQ("before", Bytes(service.arguments));
}

TEST_F(RunServiceDetailsTest, AHelperWithoutEditorLeavesEmptyArgumentsOnOk) {
  service.helperId = FromGuid(kFileHelper);
  service.arguments = MakeArguments("stale");
  service.items = {MakeItem(L"old.dat", 7)};
  DetailsDriver driver([](HWND d) {
    EXPECT_EQ(nullptr, ::GetDlgItem(d, kEditor));
    EXPECT_TRUE(comlib::ListTexts(SelectorList(d)).empty());
    Press(d, IDOK);
  });
  EXPECT_EQ(S_OK, selection::RunServiceDetails(service));
  EXPECT_TRUE(service.arguments.IsEmpty());
  EXPECT_TRUE(service.items.empty());
}

TEST_F(RunServiceDetailsTest, AHelperThatCannotBeCreatedShowsNothing) {
  service.helperId = ObjectIdFromText(L"{00000000-0000-0000-0000-00000000BEEF}");
  service.arguments = MakeArguments("kept");
  DetailsDriver driver([](HWND d) { Press(d, IDOK); });
  EXPECT_TRUE(FAILED(selection::RunServiceDetails(service)));
  testing_support::PumpMessages(60);
  EXPECT_FALSE(driver.ran());
  EXPECT_EQ("kept", Bytes(service.arguments));
}

}  // namespace
}  // namespace details_test
