// The backup path list dialog run modally and driven through its controls.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "Harness.h"
#include "TestSupport.h"
#include "comlib/ControlText.h"
#include "comlib/Dialog.h"
#include "selection/SelectPath.h"

namespace selection_test {
namespace {

using testing_support::FakeMachine;

// What a click into the list tells the dialog.
void NotifyListClick(HWND dialog) {
  NMITEMACTIVATE click = {};
  click.hdr.hwndFrom = ::GetDlgItem(dialog, 256);
  click.hdr.idFrom = 256;
  click.hdr.code = NM_CLICK;
  click.iItem = -1;
  ::SendMessageW(dialog, WM_NOTIFY, 256, reinterpret_cast<LPARAM>(&click));
}

void SelectRows(HWND dialog, std::initializer_list<int> rows) {
  HWND list = ::GetDlgItem(dialog, 256);
  for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
  NotifyListClick(dialog);
}

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
void Press(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class SelectPathTest : public ::testing::Test {
 protected:
  void Configure(const std::vector<std::wstring>& folders) { settings.Configure(folders); }
  std::vector<std::wstring> Configured() { return settings.Configured(); }

  // Runs the dialog over a visible owner, as the page does.
  INT_PTR Run(std::function<void(HWND)> drive) {
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(owner);
    DialogDriver driver(std::move(drive));
    CSelectPath dialog;
    const INT_PTR result = dialog.Run();
    EXPECT_TRUE(driver.ran());
    ::DestroyWindow(owner);
    return result;
  }

  FakeMachine machine;
  SettingsFolder settings;
};

TEST_F(SelectPathTest, OpensWithTheConfiguredFoldersAndOnlyCancelPossible) {
  Configure({L"C:\\A", L"C:\\B"});
  std::vector<std::wstring> shown;
  bool okEnabled = true, removeEnabled = true;
  std::wstring caption, ok, cancel;
  const INT_PTR result = Run([&](HWND dialog) {
    shown = comlib::ListTexts(::GetDlgItem(dialog, 256));
    okEnabled = Enabled(dialog, IDOK);
    removeEnabled = Enabled(dialog, 258);
    caption = comlib::WindowText(dialog);
    ok = comlib::WindowText(::GetDlgItem(dialog, IDOK));
    cancel = comlib::WindowText(::GetDlgItem(dialog, IDCANCEL));
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\A", L"C:\\B"}), shown);
  EXPECT_FALSE(okEnabled);
  EXPECT_FALSE(removeEnabled);
  EXPECT_EQ(L"Select Path", caption);
  EXPECT_EQ(L"OK", ok);
  EXPECT_EQ(L"Cancel", cancel);
}

TEST_F(SelectPathTest, AddedFoldersAreWrittenOnOkEvenTwice) {
  Configure({L"C:\\A"});
  machine.folders = {L"D:\\New", L"D:\\New"};
  bool okAfterAdd = false, removeAfterAdd = true;
  const INT_PTR result = Run([&](HWND dialog) {
    Press(dialog, 257);
    okAfterAdd = Enabled(dialog, IDOK);
    removeAfterAdd = Enabled(dialog, 258);
    Press(dialog, 257);
    Press(dialog, 257);  // the browser is cancelled: nothing added
    Press(dialog, IDOK);
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(okAfterAdd);
  EXPECT_FALSE(removeAfterAdd) << "the added folder is not selected";
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\A", L"D:\\New", L"D:\\New"}), Configured());
}

TEST_F(SelectPathTest, RemoveDeletesEverySelectedFolder) {
  Configure({L"C:\\0", L"C:\\1", L"C:\\2", L"C:\\3"});
  bool removeBefore = false, okAfter = false, removeAfter = false;
  std::vector<std::wstring> left;
  const INT_PTR result = Run([&](HWND dialog) {
    SelectRows(dialog, {0, 2, 3});
    removeBefore = Enabled(dialog, 258);
    Press(dialog, 258);
    okAfter = Enabled(dialog, IDOK);
    removeAfter = Enabled(dialog, 258);
    Press(dialog, 258);  // nothing selected any more: nothing happens
    left = comlib::ListTexts(::GetDlgItem(dialog, 256));
    Press(dialog, IDOK);
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(removeBefore);
  EXPECT_TRUE(okAfter);
  EXPECT_TRUE(removeAfter);
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\1"}, left);
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\1"}, Configured());
}

TEST_F(SelectPathTest, EmptiedListIsWrittenEmpty) {
  Configure({L"C:\\A"});
  Run([&](HWND dialog) {
    SelectRows(dialog, {0});
    Press(dialog, 258);
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(testing_support::FileExists(settings.File()));
  EXPECT_TRUE(Configured().empty());
}

TEST_F(SelectPathTest, CancelWritesNothing) {
  struct Case {
    const char* name;
    bool settingsExist;
  };
  for (const Case& c : {Case{"existing settings", true}, Case{"no settings yet", false}}) {
    SCOPED_TRACE(c.name);
    if (c.settingsExist)
      Configure({L"C:\\A", L"C:\\B"});
    else
      ::DeleteFileW(settings.File().c_str());
    const std::string before = settings.Bytes();
    machine.folders = {L"D:\\New"};
    const INT_PTR result = Run([&](HWND dialog) {
      Press(dialog, 257);
      SelectRows(dialog, {0});
      Press(dialog, 258);
      ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(before, settings.Bytes());
    EXPECT_EQ(c.settingsExist, testing_support::FileExists(settings.File()));
  }
}

TEST_F(SelectPathTest, KeyDownSeesTheSelectionBeforeTheKey) {
  Configure({L"C:\\A", L"C:\\B"});
  bool afterKeyOnEmpty = true, afterKeyOnSelected = false;
  Run([&](HWND dialog) {
    HWND list = ::GetDlgItem(dialog, 256);
    ::SetFocus(list);
    // The key selects an item, but the dialog looked before it moved.
    ::SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    afterKeyOnEmpty = Enabled(dialog, 258);
    ::SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    afterKeyOnSelected = Enabled(dialog, 258);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_FALSE(afterKeyOnEmpty);
  EXPECT_TRUE(afterKeyOnSelected);
}

TEST_F(SelectPathTest, ManyFoldersScrollIntoView) {
  std::vector<std::wstring> many;
  for (int i = 0; i < 40; ++i) many.push_back(L"C:\\Folder" + std::to_wstring(i));
  Configure(many);
  LRESULT top = 0;
  std::vector<std::wstring> left;
  Run([&](HWND dialog) {
    HWND list = ::GetDlgItem(dialog, 256);
    ::SendMessageW(list, LVM_ENSUREVISIBLE, 39, FALSE);
    top = ::SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    // The last folder can be reached and removed.
    SelectRows(dialog, {39});
    Press(dialog, 258);
    left = comlib::ListTexts(list);
    Press(dialog, IDOK);
  });
  EXPECT_GT(top, 0);
  EXPECT_EQ(39u, left.size());
  EXPECT_EQ(L"C:\\Folder38", Configured().back());
}

// A folder the settings file cannot carry is refused when it is added, so
// that the list written on OK still reads back whole.
TEST_F(SelectPathTest, FolderTheFileCannotCarryIsRefusedWhenAdded) {
  const struct {
    int line;
    std::wstring folder;
    const wchar_t* shown;
  } cases[] = {
      {__LINE__, L"D:\\Bad\uFFFE", L"D:\\Bad[U+FFFE]"},
      {__LINE__, L"D:\\\uFFFF", L"D:\\[U+FFFF]"},
      {__LINE__, L"D:\\Half\xD83D", L"D:\\Half[U+D83D]"},
      {__LINE__, L"D:\\\xDE00x", L"D:\\[U+DE00]x"},
      {__LINE__, L"D:\\Ctl\x01\x1B", L"D:\\Ctl[U+0001][U+001B]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Configure({L"C:\\A", L"C:\\B"});
    machine.boxes.clear();
    machine.folders = {c.folder, L"D:\\Good \U0001F600"};
    std::vector<std::wstring> afterBad;
    bool okAfterBad = true;
    const INT_PTR result = Run([&](HWND dialog) {
      Press(dialog, 257);
      afterBad = comlib::ListTexts(::GetDlgItem(dialog, 256));
      okAfterBad = Enabled(dialog, IDOK);
      Press(dialog, 257);
      Press(dialog, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\A", L"C:\\B"}), afterBad);
    EXPECT_FALSE(okAfterBad);
    ASSERT_EQ(1u, machine.boxes.size());
    EXPECT_NE(std::wstring::npos, machine.boxes[0].text.find(L"\"" + std::wstring(c.shown) + L"\""))
        << machine.boxes[0].text;
    EXPECT_EQ(L"Select Path", machine.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), machine.boxes[0].type);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\A", L"C:\\B", L"D:\\Good \U0001F600"}), Configured());
  }
}

// A save that fails says where and why, and the dialog stays open with the
// user's list, so it can be tried again or cancelled.
TEST_F(SelectPathTest, FailedSaveIsReportedAndKeepsTheDialogOpen) {
  Configure({L"C:\\A"});
  const std::string before = settings.Bytes();
  ::SetFileAttributesW(settings.File().c_str(), FILE_ATTRIBUTE_READONLY);
  machine.folders = {L"D:\\New"};
  bool openAfterOk = false;
  std::vector<std::wstring> listAfterOk;
  const INT_PTR result = Run([&](HWND dialog) {
    Press(dialog, 257);
    Press(dialog, IDOK);
    openAfterOk = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
    listAfterOk = comlib::ListTexts(::GetDlgItem(dialog, 256));
    ::SetFileAttributesW(settings.File().c_str(), 0);
    Press(dialog, IDOK);  // tried again, now it can be written
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(openAfterOk);
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\A", L"D:\\New"}), listAfterOk);
  ASSERT_EQ(1u, machine.boxes.size());
  const std::wstring& text = machine.boxes[0].text;
  EXPECT_NE(std::wstring::npos, text.find(settings.File())) << text;
  EXPECT_NE(std::wstring::npos, text.find(L"0x80070005")) << text;
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), machine.boxes[0].type);
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\A", L"D:\\New"}), Configured());

  // Failing again and cancelled: the file stays as it was.
  ::SetFileAttributesW(settings.File().c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string written = settings.Bytes();
  machine.folders = {L"D:\\Newer"};
  const INT_PTR cancelled = Run([&](HWND dialog) {
    Press(dialog, 257);
    Press(dialog, IDOK);
    Press(dialog, IDCANCEL);
  });
  ::SetFileAttributesW(settings.File().c_str(), 0);
  EXPECT_EQ(IDCANCEL, cancelled);
  EXPECT_EQ(2u, machine.boxes.size());
  EXPECT_EQ(written, settings.Bytes());
  EXPECT_NE(before, written);
}

// A settings file that cannot be read opens as an empty list; before OK
// replaces it, its bytes are kept beside it and the user is told where.
TEST_F(SelectPathTest, UnreadableSettingsAreKeptBeforeOkReplacesThem) {
  const std::string unreadable = "<RESTOREWIZARD><PATH Name=\"C:\\Mine\"/><PATH Name=\"C:\\Yours\"/>";
  const std::wstring file = settings.File();
  Configure({});
  {
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD n = 0;
    ::WriteFile(h, unreadable.data(), static_cast<DWORD>(unreadable.size()), &n, nullptr);
    ::CloseHandle(h);
  }
  machine.folders = {L"D:\\New"};
  std::vector<std::wstring> shown{L"not read"};
  const INT_PTR result = Run([&](HWND dialog) {
    shown = comlib::ListTexts(::GetDlgItem(dialog, 256));
    Press(dialog, 257);
    Press(dialog, IDOK);
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(std::vector<std::wstring>{L"D:\\New"}, Configured());
  const std::wstring copy = file + L".unreadable";
  EXPECT_EQ(unreadable, testing_support::ReadFileUtf8(copy));
  ASSERT_EQ(1u, machine.boxes.size());
  EXPECT_NE(std::wstring::npos, machine.boxes[0].text.find(copy)) << machine.boxes[0].text;
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), machine.boxes[0].type);
}

}  // namespace
}  // namespace selection_test
