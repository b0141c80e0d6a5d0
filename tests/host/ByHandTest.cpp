// The interactive wizard as a person meets it: real key input (SendInput)
// into the host's window, focus read back with GetGUIThreadInfo, the host's
// questions answered through its seam, windows' rectangles read back.
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Components.h"
#include "PlantAnswers.h"
#include "RestorePlugIn.h"
#include "comlib/ComPtr.h"
#include "PageDriver.h"
#include "RestorePageControls.h"
#include "TestSupport.h"
#include "Wizard.h"
#include "WizardWindow.h"
#include "catalogue/Persistency.h"
#include "resource.h"

namespace {

using host::Answers;
using host::Outcome;
using namespace host::wizard;
using testing_support::Narrow;
using testing_support::SamplesFolder;

const wchar_t kSecurity[] = L"Software\\Ondrel\\ZelFramework\\Security";
const wchar_t kSystems[] = L"Software\\Ondrel\\ZelFramework\\Systems";

HWND Focus() {
  GUITHREADINFO info = {sizeof info};
  return ::GetGUIThreadInfo(::GetCurrentThreadId(), &info) ? info.hwndFocus : nullptr;
}

int FocusId() { return Focus() ? ::GetDlgCtrlID(Focus()) : 0; }

void Press(WORD key, bool shift = false) {
  std::vector<INPUT> input;
  auto add = [&](WORD vk, bool up) {
    INPUT one = {};
    one.type = INPUT_KEYBOARD;
    one.ki.wVk = vk;
    one.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.push_back(one);
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  ::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// The visible page window inside the wizard's frame.
HWND PageWindow(HWND frame) {
  for (HWND child = ::GetWindow(frame, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (std::wstring(name) == L"#32770" && ::IsWindowVisible(child)) return child;
  }
  return nullptr;
}

POINT Centre(HWND window) {
  RECT r = {};
  ::GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Runs the interactive wizard on this thread; the steps run one after another
// from a timer inside the wizard's own message loops, each until it answers
// true. The host's questions are recorded and answered from `answers`.
class ByHand : public ::testing::Test {
 protected:
  using Step = std::function<bool(HWND frame)>;
  struct Question {
    HWND owner;
    std::wstring text;
    UINT type;
  };

  void SetUp() override {
    ASSERT_EQ(S_OK, module.status());
    ASSERT_EQ(S_OK, framework.status());
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSecurity, L"Grant");
    Persistency().ReadPaths(&savedFolders);
    Persistency().WritePaths({comlib::Bstr(SamplesFolder().c_str())});
  }
  void TearDown() override {
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSystems, L"TempBackupPath");
    Persistency().WritePaths(savedFolders);
  }

  Outcome Run() {
    host::RunOptions options;
    options.output = [this](const std::wstring& line) { output += Narrow(line) + "\n"; };
    options.ask = [this](HWND owner, const std::wstring& text, const std::wstring&, UINT type) {
      // Owned by the wizard's own window, so it stands over it.
      EXPECT_EQ(::FindWindowW(L"ZelWizardHost", nullptr), owner);
      questions.push_back({owner, text, type});
      if (aborted || answers.empty()) return IDYES;
      const int answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    };
    Outcome outcome = Outcome::Failed;
    Drive([] { return ::FindWindowW(L"ZelWizardHost", nullptr); },
          [&] { outcome = host::RunWizard(options, &transcript); });
    return outcome;
  }

  // Runs body, a modal loop, while the steps drive the window that target
  // finds; once they are done (or one never comes true) the window is closed.
  void Drive(std::function<HWND()> target, const std::function<void()>& body) {
    target_ = std::move(target);
    running_ = this;
    started_ = ::GetTickCount();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &ByHand::Tick);
    body();
    ::KillTimer(nullptr, timer);
    running_ = nullptr;
    // What the last steps left queued (a key's release, a close) ends here,
    // not in the next test's wizard.
    testing_support::PumpMessages(100);
    EXPECT_EQ(steps.size(), next_) << "steps left undone; output:\n" << output;
  }

  void Then(Step step) { steps.push_back(std::move(step)); }
  void Keys(WORD key, bool shift = false) {
    Then([=](HWND) {
      Press(key, shift);
      return true;
    });
  }
  // Waits until the focus is on the control with this id.
  void FocusIs(int id) {
    Then([=](HWND) { return FocusId() == id; });
  }
  // Tab (or Shift+Tab) once per expected control; the ids the focus visited.
  void Walk(bool shift, size_t count, std::vector<int>* seen) {
    for (size_t i = 0; i < count; ++i) {
      Keys(VK_TAB, shift);
      Then([=](HWND) {
        seen->push_back(FocusId());
        return true;
      });
    }
  }
  void FillAndGoOn(host::PageKind kind, const Answers& a) {
    Then([=](HWND frame) {
      const HWND page = PageWindow(frame);
      const int mark = kind == host::PageKind::Selection     ? IDC_BACKUP_TREE
                       : kind == host::PageKind::Directories ? IDC_SERVER_DATA
                                                             : IDC_PRIMARY_LIST;
      if (!page || !::GetDlgItem(page, mark)) return false;
      const auto problems = host::FillPage(kind, page, a, host::wizard::ComputerName());
      EXPECT_TRUE(problems.empty()) << Narrow(problems.empty() ? L"" : problems[0]);
      ::SetFocus(::GetNextDlgTabItem(page, nullptr, FALSE));
      Press(VK_RETURN);
      return true;
    });
  }
  // Waits for the wizard's heading to start with text.
  void HeadingIs(const std::wstring& text) {
    Then([=](HWND frame) {
      wchar_t heading[200] = {};
      ::GetDlgItemTextW(frame, IDC_TITLE, heading, 200);
      return std::wstring(heading).find(text) != std::wstring::npos;
    });
  }

  Answers Ordinary() const { return host_test::PlantCopy(targets); }

  testing_support::RegistryLock lock;
  testing_support::ScopedRegistration module{testing_support::BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
  testing_support::ScopedRegistration framework{testing_support::BuildPath(L"framework\\ZelFramework.dll")};
  std::vector<comlib::Bstr> savedFolders;
  testing_support::TempDir targets;
  host::Transcript transcript;
  std::string output;
  std::vector<Step> steps;
  std::vector<Question> questions;
  std::vector<int> answers;  // IDYES / IDNO, in order; IDYES when empty
  bool aborted = false;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ByHand* self = running_;
    if (!self || self->busy_) return;
    self->busy_ = true;
    self->Advance();
    self->busy_ = false;
  }
  void Advance() {
    const HWND frame = target_();
    if (!frame) return;
    if (!foreground_) {
      foreground_ = true;
      ::SetForegroundWindow(frame);
    }
    if (::GetTickCount() - started_ > 60000) {
      // A step that never comes true must not hang the run.
      if (!aborted) ADD_FAILURE() << "step " << next_ << " never came true; output:\n" << output;
      aborted = true;
      ::PostMessageW(frame, WM_CLOSE, 0, 0);
      return;
    }
    if (next_ < steps.size() && steps[next_](frame)) ++next_;
    if (next_ == steps.size() && !closing_) {
      closing_ = true;
      aborted = true;  // whatever is asked from here on is answered Yes
      ::PostMessageW(frame, WM_CLOSE, 0, 0);
    }
  }

  static ByHand* running_;
  std::function<HWND()> target_;
  DWORD started_ = 0;
  size_t next_ = 0;
  bool busy_ = false;
  bool foreground_ = false;
  bool closing_ = false;
};

ByHand* ByHand::running_ = nullptr;

TEST_F(ByHand, TabVisitsEveryControlOfEachPageInVisualOrder) {
  std::vector<int> page1, page1Back, page3, page2, page2Back;
  HeadingIs(L"Choose a tool");
  FocusIs(IDC_TOOLS);
  Keys(VK_RETURN);
  // Entering the page puts the focus in its tree; Down then moves at once.
  FocusIs(IDC_BACKUP_TREE);
  Walk(false, 6, &page1);
  Walk(true, 6, &page1Back);
  FillAndGoOn(host::PageKind::Selection, Ordinary());
  FocusIs(IDC_SERVER_DATA);
  Walk(false, 10, &page3);
  FillAndGoOn(host::PageKind::Directories, Ordinary());
  FocusIs(IDC_PRIMARY_LIST);
  Walk(false, 5, &page2);
  Walk(true, 5, &page2Back);
  EXPECT_EQ(Outcome::Cancelled, Run()) << output;

  EXPECT_EQ((std::vector<int>{IDC_SELECT_PATH, IDC_VIEW_INFO, IDC_BACK, IDC_NEXT, IDCANCEL, IDC_BACKUP_TREE}),
            page1);
  EXPECT_EQ((std::vector<int>{IDCANCEL, IDC_NEXT, IDC_BACK, IDC_VIEW_INFO, IDC_SELECT_PATH, IDC_BACKUP_TREE}),
            page1Back);
  // Of the two radio buttons, the checked one is the tab stop.
  EXPECT_EQ((std::vector<int>{IDC_SERVER_DATA2, IDC_PROJECT_DATA, IDC_WORKPLACE_DATA, IDC_SAME_SYSTEM_ID,
                              IDC_SYSTEM_NAME, IDC_BACK, IDC_NEXT, IDCANCEL, IDC_SERVER_DATA, IDC_SERVER_DATA2}),
            page3);
  EXPECT_EQ((std::vector<int>{IDC_SECONDARY_LIST, IDC_BACK, IDC_NEXT, IDCANCEL, IDC_PRIMARY_LIST}), page2);
  EXPECT_EQ((std::vector<int>{IDCANCEL, IDC_NEXT, IDC_BACK, IDC_SECONDARY_LIST, IDC_PRIMARY_LIST}), page2Back);
}

TEST_F(ByHand, ArrowKeysWorkInTheTreeAsSoonAsThePageOpens) {
  HTREEITEM first = nullptr, second = nullptr;
  Keys(VK_RETURN);
  FocusIs(IDC_BACKUP_TREE);
  Then([&](HWND frame) {
    const HWND tree = ::GetDlgItem(PageWindow(frame), IDC_BACKUP_TREE);
    first = TreeView_GetSelection(tree);
    Press(VK_DOWN);
    return true;
  });
  Then([&](HWND frame) {
    second = TreeView_GetSelection(::GetDlgItem(PageWindow(frame), IDC_BACKUP_TREE));
    return second != first;
  });
  Run();
  EXPECT_NE(nullptr, second);
}

// Shift+F10 and the menu key open the node menu below the selected row.
// The menu's modal loop tells its owner when it waits: the menu window is
// read then and closed.
struct OpenedMenu {
  RECT menu;
  RECT row;
};
std::vector<OpenedMenu> openedMenus;
HWND menuList = nullptr;

LRESULT CALLBACK WatchMenus(int code, WPARAM w, LPARAM l) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && msg->message == WM_ENTERIDLE && msg->wParam == MSGF_MENU) {
    const HWND menu = ::FindWindowW(L"#32768", nullptr);
    if (menu && ::IsWindowVisible(menu)) {
      OpenedMenu o = {};
      ::GetWindowRect(menu, &o.menu);
      const int row = ListView_GetNextItem(menuList, -1, LVNI_SELECTED);
      ListView_GetItemRect(menuList, row, &o.row, LVIR_BOUNDS);
      ::MapWindowPoints(menuList, nullptr, reinterpret_cast<POINT*>(&o.row), 2);
      openedMenus.push_back(o);
      ::EndMenu();
    }
  }
  return ::CallNextHookEx(nullptr, code, w, l);
}

TEST_F(ByHand, TheNodeMenuOpensFromTheKeyboardAtTheSelectedRow) {
  std::vector<OpenedMenu>& seen = openedMenus;
  seen.clear();
  HWND& list = menuList;
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, WatchMenus, nullptr, ::GetCurrentThreadId());
  Keys(VK_RETURN);
  FillAndGoOn(host::PageKind::Selection, Ordinary());
  FillAndGoOn(host::PageKind::Directories, Ordinary());
  FocusIs(IDC_PRIMARY_LIST);
  Then([&](HWND frame) {
    list = ::GetDlgItem(PageWindow(frame), IDC_PRIMARY_LIST);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Press(VK_F10, true);
    return true;
  });
  Then([&](HWND) { return seen.size() == 1; });
  Keys(VK_APPS);
  Then([&](HWND) { return seen.size() == 2; });
  Run();
  ::UnhookWindowsHookEx(hook);
  ASSERT_EQ(2u, seen.size());
  for (const OpenedMenu& o : seen) {
    EXPECT_GE(o.menu.top, o.row.top);
    EXPECT_LE(o.menu.top, o.row.bottom + 2);
    EXPECT_GE(o.menu.left, o.row.left);
    EXPECT_LT(o.menu.left, o.row.right);
  }
}

struct CancelCase {
  const char* name;
  WORD key;          // 0: WM_CLOSE from the window manager
  bool onToolList;   // nothing chosen yet
};

class CancelAsks : public ByHand, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelAsks, OnlyOnceSomethingIsChosenAndNoKeepsTheWizard) {
  const CancelCase c = GetParam();
  auto cancel = [&] {
    Then([=](HWND frame) {
      if (c.key) Press(c.key);
      else ::PostMessageW(frame, WM_CLOSE, 0, 0);
      return true;
    });
  };
  if (c.onToolList) {
    FocusIs(IDC_TOOLS);
    cancel();
  } else {
    Keys(VK_RETURN);
    FocusIs(IDC_BACKUP_TREE);
    cancel();
    Then([&](HWND) { return questions.size() == 1; });
    // Still there after No: the focus is back in the page.
    FocusIs(IDC_BACKUP_TREE);
    cancel();  // answered Yes: the wizard ends
    answers = {IDNO, IDYES};
  }
  EXPECT_EQ(Outcome::Cancelled, Run()) << output;
  if (c.onToolList) {
    EXPECT_TRUE(questions.empty());
    return;
  }
  ASSERT_GE(questions.size(), 2u);
  for (const Question& q : questions) {
    EXPECT_EQ(L"Discard your choices and close the wizard?", q.text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2), q.type & (MB_TYPEMASK | MB_DEFMASK));
    EXPECT_NE(nullptr, q.owner);
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, CancelAsks,
                         ::testing::Values(CancelCase{"Escape", VK_ESCAPE, false},
                                           CancelCase{"Close", 0, false},
                                           CancelCase{"EscapeOnToolList", VK_ESCAPE, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ByHand, FinishAsksNamingTheSystemAndTheProjectDataAndNoKeepsTheSummary) {
  const Answers a = Ordinary();
  Keys(VK_RETURN);
  FillAndGoOn(host::PageKind::Selection, a);
  FillAndGoOn(host::PageKind::Directories, a);
  FillAndGoOn(host::PageKind::Nodes, a);
  HeadingIs(L"Summary");
  Then([](HWND frame) {
    ::SetFocus(::GetDlgItem(frame, IDC_NEXT));
    Press(VK_RETURN);
    return true;
  });
  Then([&](HWND) { return questions.size() == 1; });
  Then([&](HWND frame) {
    // No: nothing ran, the summary is still shown.
    EXPECT_TRUE(transcript.progress.empty());
    wchar_t heading[100] = {};
    ::GetDlgItemTextW(frame, IDC_TITLE, heading, 100);
    EXPECT_EQ(L"Summary", std::wstring(heading));
    Press(VK_RETURN);
    return true;
  });
  HeadingIs(L"Restore finished");
  answers = {IDNO, IDYES};
  EXPECT_EQ(Outcome::Restored, Run()) << output;
  ASSERT_GE(questions.size(), 2u);
  const std::wstring& text = questions[0].text;
  EXPECT_NE(std::wstring::npos, text.find(L"\"Plant North Copy\"")) << Narrow(text);
  EXPECT_NE(std::wstring::npos, text.find(L"\"" + *a.projectData + L"\"")) << Narrow(text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2), questions[0].type & (MB_TYPEMASK | MB_DEFMASK));
  EXPECT_EQ(2u, questions.size()) << "a finished wizard closes without asking";
}

// Without a window manager the wizard still opens in the middle of the
// screen, and the module's dialogs over it.
TEST_F(ByHand, WizardAndModuleDialogsOpenCentred) {
  POINT wizard = {}, dialog = {}, owner = {};
  HWND ownerWindow = nullptr, dialogOwner = nullptr;
  Then([&](HWND frame) {
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    wizard = Centre(frame);
    EXPECT_NEAR((work.left + work.right) / 2, wizard.x, 2);
    EXPECT_NEAR((work.top + work.bottom) / 2, wizard.y, 2);
    Press(VK_RETURN);
    return true;
  });
  FocusIs(IDC_BACKUP_TREE);
  Then([](HWND frame) {
    ::SetFocus(::GetDlgItem(PageWindow(frame), IDC_VIEW_INFO));
    Press(VK_SPACE);
    return true;
  });
  Then([&](HWND frame) {
    const HWND active = ::GetActiveWindow();
    if (active == frame || !active) return false;
    dialog = Centre(active);
    dialogOwner = ::GetWindow(active, GW_OWNER);
    ownerWindow = frame;
    owner = Centre(frame);
    ::PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  Then([](HWND frame) { return ::GetActiveWindow() == frame; });
  Run();
  EXPECT_EQ(ownerWindow, dialogOwner);
  EXPECT_NEAR(owner.x, dialog.x, 2);
  EXPECT_NEAR(owner.y, dialog.y, 2);
}

// The platform's own property frame hosts the same page: Tab goes through
// the page's controls there too, between the frame's tabs and its buttons.
TEST_F(ByHand, ThePropertyFrameTabsThroughThePage) {
  comlib::ComPtr<IUnknown> session;
  ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_RestoreModule, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     session.PutVoid()));
  std::vector<int> forward, backward;
  HWND sheet = nullptr;
  auto frameWindow = [&sheet] {
    const HWND active = ::GetActiveWindow();
    if (active && !sheet) {
      sheet = active;
      ::SetForegroundWindow(active);
    }
    return sheet;
  };
  // Into the page first, wherever the frame put the focus.
  Then([](HWND frame) { return PageWindow(frame) != nullptr; });
  Then([](HWND) {
    if (FocusId() == IDC_BACKUP_TREE) return true;
    Press(VK_TAB);
    return false;
  });
  Walk(false, 6, &forward);
  Walk(true, 6, &backward);
  IUnknown* objects[] = {session.Get()};
  CLSID pages[] = {CLSID_RestorePropertyPage1};
  Drive(frameWindow, [&] {
    ::OleCreatePropertyFrame(nullptr, 0, 0, L"Restore", 1, objects, 1, pages, 0, 0, nullptr);
  });
  // The tab control and the frame's buttons have ids of the frame's own;
  // the page's three controls come in a row, in both directions.
  auto row = [](const std::vector<int>& seen, std::vector<int> want) {
    return std::search(seen.begin(), seen.end(), want.begin(), want.end()) != seen.end();
  };
  EXPECT_TRUE(row(forward, {IDC_SELECT_PATH, IDC_VIEW_INFO, IDOK})) << ::testing::PrintToString(forward);
  EXPECT_TRUE(row(backward, {IDC_VIEW_INFO, IDC_SELECT_PATH, IDC_BACKUP_TREE})) << ::testing::PrintToString(backward);
  EXPECT_EQ(IDC_BACKUP_TREE, forward.back()) << "six Tabs go round: " << ::testing::PrintToString(forward);
}

}  // namespace
