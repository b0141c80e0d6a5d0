// The node configuration page in its window: columns, refresh, in-place
// editing, the context menu, long names, the host interfaces and callbacks.
#include <ocidl.h>

#include "PageFixture.h"
#include "comlib/Bstr.h"
#include "comlib/ControlText.h"

namespace nodes_test {
namespace {

std::wstring TakeText(BSTR text) {
  comlib::Bstr owned = comlib::Bstr::Attach(text);
  return owned.IsNull() ? L"<null>" : owned.str();
}

std::wstring ColumnHeader(HWND list, int column) {
  wchar_t buffer[128] = {};
  LVCOLUMNW info = {};
  info.mask = LVCF_TEXT | LVCF_FMT;
  info.pszText = buffer;
  info.cchTextMax = 128;
  if (!::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)))
    return L"<none>";
  EXPECT_EQ(LVCFMT_LEFT, info.fmt & LVCFMT_JUSTIFYMASK);
  return buffer;
}

class NodePage : public PageFixture {};

TEST_F(NodePage, ListsHaveTheTwoColumnsSizedToTheirHeaders) {
  for (HWND list : {primary, secondary}) {
    EXPECT_EQ(L"Nodes in restored system", ColumnHeader(list, 0));
    EXPECT_EQ(L"Original nodes in backup", ColumnHeader(list, 1));
    EXPECT_EQ(L"<none>", ColumnHeader(list, 2));
    // In the lists' font, the template's 8-point Tahoma (13 pixels high in
    // the test prefix), the headers are 146 and 140 pixels wide; each
    // column adds a margin of 15.
    EXPECT_EQ(161, ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(155, ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
    const LONG_PTR style = ::GetWindowLongPtrW(list, GWL_STYLE);
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(style & LVS_EDITLABELS);
  }
}

TEST_F(NodePage, HostInterfacesAnswerAsTheLastPage) {
  PROPPAGEINFO info = {};
  ASSERT_EQ(S_OK, page->GetPageInfo(&info));
  EXPECT_STREQ(L"Node Configuration", info.pszTitle);
  EXPECT_STREQ(L"Help File Name", info.pszHelpFile);
  EXPECT_STREQ(L"Your Help String", info.pszDocString);
  EXPECT_GT(info.size.cx, 0);
  ::CoTaskMemFree(info.pszTitle);
  ::CoTaskMemFree(info.pszHelpFile);
  ::CoTaskMemFree(info.pszDocString);

  comlib::ComPtr<IZelCWPageDescription> description;
  ASSERT_EQ(S_OK, page.As(&description));
  BSTR text = nullptr;
  EXPECT_EQ(S_OK, description->GetPageDescription(&text));
  EXPECT_EQ(L"Restore must be performed on one of the primary nodes in the backup.", TakeText(text));

  CLSID next = CLSID_RestorePropertyPage2;
  EXPECT_EQ(E_NOTIMPL, adaption->GetNextPage(&next));
  EXPECT_EQ(E_NOTIMPL, adaption->Reserved3(5));
  LONG value = 7;
  EXPECT_EQ(S_OK, adaption->Reserved9(&value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(L"<null>", ValidationMessage());
  EXPECT_EQ(E_POINTER, adaption->ActivatePage(nullptr));
  EXPECT_EQ(E_POINTER, adaption->ValidatePage(nullptr));
  EXPECT_EQ(E_POINTER, adaption->GetSummary(nullptr));

  for (REFIID iid : {IID_IPropertyPage, IID_IZelCWPropertyPageAdaption, IID_IZelCWPageDescription,
                     IID_IZelAsynchRestoreCallbacks, IID_IZelServiceRestoreCallbacks}) {
    comlib::ComPtr<IUnknown> other;
    EXPECT_EQ(S_OK, page->QueryInterface(iid, other.PutVoid()));
    EXPECT_TRUE(comlib::SameObject(page.Get(), other.Get()));
  }
}

struct RefreshCase {
  int line;
  std::vector<FakeNode> nodes;
  Rows primaryRows;
  Rows secondaryRows;
};

TEST_F(NodePage, RefreshListsTheNodesInReverseOrder) {
  const RefreshCase cases[] = {
      {__LINE__,
       {{L"NODE1", true}, {L"SEC1", false}, {L"SEC2", false}},
       {{L"WS7", L"NODE1"}},
       {{L"SEC2", L"SEC2"}, {L"SEC1", L"SEC1"}}},
      {__LINE__,
       {{L"NODE1", true}, {L"SEC1", false}, {L"NODE2", true}},
       {{L"NODE2", L"NODE2"}, {L"NODE1", L"NODE1"}},
       {{L"SEC1", L"SEC1"}}},
      {__LINE__,
       {{L"SEC1", false}, {L"SEC2", false}, {L"SEC3", false}},
       {},
       {{L"SEC3", L"SEC3"}, {L"SEC2", L"SEC2"}, {L"SEC1", L"SEC1"}}},
      {__LINE__, {}, {}, {}},
  };
  machine.computerName = L"WS7";
  for (const RefreshCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    session.nodes = c.nodes;
    Enter();
    EXPECT_EQ(c.primaryRows, ListRows(primary));
    EXPECT_EQ(c.secondaryRows, ListRows(secondary));
  }
}

TEST_F(NodePage, EnteringAgainRestoresTheDefaultNames) {
  session.nodes = {{L"NODE1", true}, {L"SEC1", false}};
  Enter();
  Rename(primary, L"NODE1", L"OTHER");
  Rename(secondary, L"SEC1", L"SEC9");
  session.nodes = {{L"NODE1", true}, {L"SEC1", false}};
  Enter();
  EXPECT_EQ((Rows{{L"WS7", L"NODE1"}}), ListRows(primary));
  EXPECT_EQ((Rows{{L"SEC1", L"SEC1"}}), ListRows(secondary));
}

class LabelEditing : public PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    if (HasFatalFailure()) return;
    session.nodes = {{L"NODE1", true}, {L"NODE2", true}};
    Enter();  // rows: NODE2, NODE1
  }
  // A key pressed in the focused list; the label's edit control, if any.
  HWND Press(HWND list, WPARAM key) {
    ::SetFocus(list);
    ::SendMessageW(list, WM_KEYDOWN, key, 0);
    return EditControl(list);
  }
  // Types text over the selected label text and ends with the given key.
  void Type(HWND edit, const std::wstring& text, WPARAM endKey) {
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    if (text.empty()) ::SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (wchar_t c : text) ::SendMessageW(edit, WM_CHAR, c, 0);
    ::SendMessageW(edit, WM_KEYDOWN, endKey, 0);
    testing_support::PumpMessages(10);
  }
};

TEST_F(LabelEditing, F2EditsTheSelectedRow) {
  Select(primary, 1);
  HWND edit = Press(primary, VK_F2);
  ASSERT_NE(nullptr, edit);
  Type(edit, L"WS7", VK_RETURN);
  EXPECT_EQ(nullptr, EditControl(primary));
  EXPECT_EQ((Rows{{L"NODE2", L"NODE2"}, {L"WS7", L"NODE1"}}), ListRows(primary));
  EXPECT_EQ(1, Validate());
}

TEST_F(LabelEditing, EmptyOrCancelledEditKeepsTheName) {
  Select(primary, 0);
  const std::pair<const wchar_t*, WPARAM> edits[] = {{L"", VK_RETURN}, {L"TYPED", VK_ESCAPE}};
  for (const auto& typed : edits) {
    HWND edit = Press(primary, VK_F2);
    ASSERT_NE(nullptr, edit);
    Type(edit, typed.first, typed.second);
    EXPECT_EQ(L"NODE2", comlib::ListItemText(primary, 0, 0));
  }
}

TEST_F(LabelEditing, F2WithoutSelectionAndOtherKeysDoNothing) {
  EXPECT_EQ(nullptr, Press(primary, VK_F2));
  Select(primary, 0);
  EXPECT_EQ(nullptr, Press(primary, VK_F3));
}

TEST_F(LabelEditing, AnEditEndsOnTheRowItStartedOn) {
  // The host may start editing a row other than the selected one; the text
  // belongs to the row that was edited.
  Select(primary, 0);
  ::SetFocus(primary);
  ::SendMessageW(primary, LVM_EDITLABELW, 1, 0);
  HWND edit = EditControl(primary);
  ASSERT_NE(nullptr, edit);
  Type(edit, L"WS7", VK_RETURN);
  EXPECT_EQ((Rows{{L"NODE2", L"NODE2"}, {L"WS7", L"NODE1"}}), ListRows(primary));
}

// The context menu: what it offers and what each command does.
struct MenuCase {
  int line;
  int selected;  // -1: no row selected
  UINT command;  // 0: nothing chosen
  Rows expected;
  bool editing;
};

TEST_F(NodePage, ContextMenuCommands) {
  const Rows renamed = {{L"A", L"NODE2"}, {L"B", L"NODE1"}};
  const MenuCase cases[] = {
      {__LINE__, 0, ID_RENAME_CURRENT, {{L"WS7", L"NODE2"}, {L"B", L"NODE1"}}, false},
      {__LINE__, 1, ID_RENAME_ORIGINAL, {{L"A", L"NODE2"}, {L"NODE1", L"NODE1"}}, false},
      {__LINE__, 1, ID_RENAME_ALL_ORIGINAL, {{L"NODE2", L"NODE2"}, {L"NODE1", L"NODE1"}}, false},
      {__LINE__, 0, ID_RENAME, renamed, true},
      {__LINE__, 0, 0, renamed, false},
      // Without a selection only the last command works, even if the others
      // came back from the menu.
      {__LINE__, -1, ID_RENAME_CURRENT, renamed, false},
      {__LINE__, -1, ID_RENAME_ORIGINAL, renamed, false},
      {__LINE__, -1, ID_RENAME, renamed, false},
      {__LINE__, -1, ID_RENAME_ALL_ORIGINAL, {{L"NODE2", L"NODE2"}, {L"NODE1", L"NODE1"}}, false},
  };
  for (const MenuCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    session.nodes = {{L"NODE1", true}, {L"NODE2", true}};
    Enter();
    Rename(primary, L"NODE2", L"A");
    Rename(primary, L"NODE1", L"B");
    if (c.selected >= 0) Select(primary, c.selected);

    std::vector<UINT> ids;
    std::vector<std::wstring> texts;
    std::vector<bool> grayed;
    machine.menuChoice = [&](HMENU menu) {
      for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        const UINT id = ::GetMenuItemID(menu, i);
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        ids.push_back(id);
        texts.push_back(text);
        // Separators report themselves grey; only commands count.
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        grayed.push_back(id != 0 && (state & MF_GRAYED) != 0);
      }
      return c.command;
    };
    RightClick(primary);

    EXPECT_EQ((std::vector<UINT>{ID_RENAME, 0, ID_RENAME_CURRENT, ID_RENAME_ORIGINAL, 0,
                                 ID_RENAME_ALL_ORIGINAL}),
              ids);
    EXPECT_EQ((std::vector<std::wstring>{L"Rename", L"", L"Rename to current node",
                                         L"Rename to original node", L"",
                                         L"Rename all to original node"}),
              texts);
    const bool none = c.selected < 0;
    EXPECT_EQ((std::vector<bool>{none, false, none, none, false, false}), grayed);

    HWND edit = EditControl(primary);
    EXPECT_EQ(c.editing, edit != nullptr);
    if (edit) ::SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(c.expected, ListRows(primary));
    // The command works on the list that was clicked only.
    EXPECT_TRUE(ListRows(secondary).empty());
  }
}

// Shift+F10 and the menu key reach the page as a context menu without a
// position; a right-click's own context menu must not open a second one.
TEST_F(NodePage, KeyboardContextMenuOpensBelowTheSelectedRow) {
  session.nodes = {{L"NODE1", true}, {L"NODE2", true}, {L"NODE3", true}};
  Enter();
  Select(primary, 1);
  int shown = 0;
  machine.menuChoice = [&](HMENU) {
    ++shown;
    return static_cast<UINT>(ID_RENAME_CURRENT);
  };
  ::SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(primary), -1);
  ASSERT_EQ(1, shown);
  RECT row = {};
  row.left = LVIR_BOUNDS;
  ::SendMessageW(primary, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  ::MapWindowPoints(primary, nullptr, reinterpret_cast<POINT*>(&row), 2);
  EXPECT_GE(machine.menuAt.y, row.top);
  EXPECT_LE(machine.menuAt.y, row.bottom);
  EXPECT_GE(machine.menuAt.x, row.left);
  EXPECT_LT(machine.menuAt.x, row.right);
  // The command works on the selected row.
  EXPECT_EQ(L"WS7", comlib::ListItemText(primary, 1, 0));

  ::SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(primary), MAKELPARAM(row.left + 2, row.top + 2));
  EXPECT_EQ(1, shown);
}

TEST_F(NodePage, ContextMenuOnAnEmptyListDoesNothing) {
  session.nodes = {{L"NODE1", true}};
  Enter();
  int shown = 0;
  machine.menuChoice = [&](HMENU) {
    ++shown;
    return static_cast<UINT>(ID_RENAME_ALL_ORIGINAL);
  };
  RightClick(secondary);
  EXPECT_EQ(1, shown);
  EXPECT_TRUE(ListRows(secondary).empty());
  EXPECT_EQ((Rows{{L"WS7", L"NODE1"}}), ListRows(primary));
}

TEST_F(NodePage, NamesLongerThanTheFirstBufferAreReadWhole) {
  const std::wstring longName(600, L'N');
  session.nodes = {{longName, true}, {L"NODE2", true}};
  Enter();
  Rename(primary, longName, L"WS7");
  EXPECT_EQ(1, Validate());
  EXPECT_EQ((Pairs{{longName, L"WS7"}}), session.pairs);

  Select(primary, 1);
  machine.menuChoice = [](HMENU) { return static_cast<UINT>(ID_RENAME_ORIGINAL); };
  RightClick(primary);
  EXPECT_EQ(longName, comlib::ListItemText(primary, 1, 0));

  // Around the edges of the doubling buffer.
  for (size_t length : {0u, 254u, 255u, 256u, 257u, 511u, 512u, 513u, 1500u}) {
    SCOPED_TRACE(testing::Message() << "length " << length);
    const std::wstring text(length, L'x');
    LVITEMW item = {};
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(primary, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(text, comlib::ListItemText(primary, 0, 1));
  }
}

TEST_F(NodePage, MessageSinkIsHeldOnceAndCallbacksForwardTheirText) {
  EXPECT_EQ(S_OK, adaption->SetMessageSink(&sink));
  EXPECT_EQ(2u, sink.refs);
  EXPECT_EQ(S_OK, adaption->SetMessageSink(&sink));
  EXPECT_EQ(2u, sink.refs);

  comlib::ComPtr<IZelAsynchRestoreCallbacks> phase;
  comlib::ComPtr<IZelServiceRestoreCallbacks> service;
  ASSERT_EQ(S_OK, page.As(&phase));
  ASSERT_EQ(S_OK, page.As(&service));
  comlib::Bstr info(L"info"), warning(L"warning"), error(L"error"), done(L"done"),
      progress(L"progress"), partDone(L"part done");
  EXPECT_EQ(S_OK, phase->OnInfo(info.get()));
  EXPECT_EQ(S_OK, phase->OnWarning(warning.get()));
  EXPECT_EQ(S_OK, phase->OnError(error.get()));
  EXPECT_EQ(S_OK, phase->OnCompleted(3, done.get()));
  EXPECT_EQ(S_OK, service->OnProgress(4, progress.get()));
  EXPECT_EQ(S_OK, service->OnCompleted(5, partDone.get()));
  EXPECT_EQ(S_OK, service->OnCompleted(5, nullptr));  // skipped
  ASSERT_EQ(6u, sink.lines.size());
  const wchar_t* expected[] = {L"info", L"warning", L"error", L"done", L"progress", L"part done"};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(0, sink.lines[i].kind);
    EXPECT_EQ(expected[i], sink.lines[i].text);
  }

  EXPECT_EQ(S_OK, adaption->SetMessageSink(nullptr));
  EXPECT_EQ(1u, sink.refs);
  EXPECT_EQ(S_OK, phase->OnInfo(info.get()));  // no sink: the line is lost quietly
  EXPECT_EQ(6u, sink.lines.size());
}

}  // namespace
}  // namespace nodes_test
