// The wizard at 96 and at 144 DPI. The system reads the DPI when a process
// starts, so each measurement is a process of its own: this program again,
// running only the probe below, started while the prefix says that DPI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Components.h"
#include "RestorePageControls.h"
#include "TestSupport.h"
#include "Wizard.h"
#include "WizardWindow.h"
#include "catalogue/Persistency.h"
#include "resource.h"

namespace {

using namespace host::wizard;

const wchar_t kDesktop[] = L"Control Panel\\Desktop";
const wchar_t kProbe[] = L"RESTORE_SCALE_PROBE";

struct Measured {
  int hostFont = 0;          // the host's text: character height in pixels
  int pageFont = 0;          // page 1's text
  int titleFont = 0;         // the host's heading
  int buttonHeight = 0;      // the host's Next
  int pageButtonHeight = 0;  // page 1's Select Path
  int headerBottom = 0;      // the description's lower edge
  int pageTop = 0;
  int frameWidth = 0;
  int nextTextWidth = 0;     // "Next >" in the host's font
  int nextWidth = 0;
};

int FontHeight(HWND control) {
  LOGFONTW font = {};
  const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
  return handle && ::GetObjectW(handle, sizeof font, &font) ? std::abs(font.lfHeight) : 0;
}

RECT Rect(HWND window) {
  RECT r = {};
  ::GetWindowRect(window, &r);
  return r;
}

HWND VisiblePage(HWND frame) {
  for (HWND child = ::GetWindow(frame, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    if (::IsWindowVisible(child) && ::GetDlgItem(child, IDC_BACKUP_TREE)) return child;
  return nullptr;
}

Measured Measure(HWND frame, HWND page) {
  Measured m;
  const HWND next = ::GetDlgItem(frame, IDC_NEXT);
  m.hostFont = FontHeight(next);
  m.titleFont = FontHeight(::GetDlgItem(frame, IDC_TITLE));
  m.pageFont = FontHeight(::GetDlgItem(page, IDC_SELECT_PATH));
  m.buttonHeight = Rect(next).bottom - Rect(next).top;
  m.nextWidth = Rect(next).right - Rect(next).left;
  m.pageButtonHeight = Rect(::GetDlgItem(page, IDC_SELECT_PATH)).bottom - Rect(::GetDlgItem(page, IDC_SELECT_PATH)).top;
  m.headerBottom = Rect(::GetDlgItem(frame, IDC_DESCRIPTION)).bottom;
  m.pageTop = Rect(page).top;
  m.frameWidth = Rect(frame).right - Rect(frame).left;
  HDC dc = ::GetDC(next);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(next, WM_GETFONT, 0, 0)));
  SIZE text = {};
  ::GetTextExtentPoint32W(dc, L"Next >", 6, &text);
  ::SelectObject(dc, old);
  ::ReleaseDC(next, dc);
  m.nextTextWidth = text.cx;
  return m;
}

Measured probed;
bool probeDone = false;

void CALLBACK ProbeTick(HWND, UINT, UINT_PTR, DWORD) {
  const HWND frame = ::FindWindowW(L"ZelWizardHost", nullptr);
  if (!frame || probeDone) return;
  if (const HWND page = VisiblePage(frame)) {
    probed = Measure(frame, page);
    probeDone = true;
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
  } else if (::SendDlgItemMessageW(frame, IDC_TOOLS, LVM_GETITEMCOUNT, 0, 0) > 0) {
    ::PostMessageW(frame, WM_COMMAND, IDC_NEXT, 0);
  }
}

// Run by the test below in a process of its own: the interactive wizard up
// to page 1, measured there, printed on one line.
TEST(ScaleProbe, MeasureThisProcess) {
  if (!::GetEnvironmentVariableW(kProbe, nullptr, 0)) GTEST_SKIP() << "run by the Scale test only";
  // As the host program's manifest declares.
  ::SetProcessDPIAware();
  host::RunOptions options;
  options.ask = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDYES; };
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, ProbeTick);
  host::RunWizard(options, nullptr);
  ::KillTimer(nullptr, timer);
  ASSERT_TRUE(probeDone);
  const Measured& m = probed;
  std::printf("scale %d %d %d %d %d %d %d %d %d %d\n", m.hostFont, m.pageFont, m.titleFont, m.buttonHeight,
              m.pageButtonHeight, m.headerBottom, m.pageTop, m.frameWidth, m.nextTextWidth, m.nextWidth);
  std::fflush(stdout);
}

class Scale : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, module.status());
    ASSERT_EQ(S_OK, framework.status());
    Persistency().ReadPaths(&savedFolders);
    Persistency().WritePaths({comlib::Bstr(testing_support::SamplesFolder())});
  }
  void TearDown() override { Persistency().WritePaths(savedFolders); }

  // The probe above in a process started while the prefix says dpi.
  Measured At(DWORD dpi) {
    Measured m;
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktop, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                               &key, nullptr));
    DWORD old = 0, size = sizeof old;
    const bool had = ::RegQueryValueExW(key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old),
                                        &size) == ERROR_SUCCESS;
    ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    ::CreatePipe(&read, &write, &inherit, 0);
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=ScaleProbe.*";
    STARTUPINFOW start = {sizeof start};
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = write;
    start.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION child = {};
    ::SetEnvironmentVariableW(kProbe, L"1");
    const BOOL started =
        ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
    ::SetEnvironmentVariableW(kProbe, nullptr);
    ::CloseHandle(write);
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (started && ::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
    ::CloseHandle(read);
    if (had) ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
    else ::RegDeleteValueW(key, L"LogPixels");
    ::RegCloseKey(key);
    EXPECT_TRUE(started);
    if (!started) return m;
    ::WaitForSingleObject(child.hProcess, 30000);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    const size_t at = output.find("scale ");
    EXPECT_NE(std::string::npos, at) << output;
    if (at != std::string::npos)
      std::sscanf(output.c_str() + at, "scale %d %d %d %d %d %d %d %d %d %d", &m.hostFont, &m.pageFont, &m.titleFont,
                  &m.buttonHeight, &m.pageButtonHeight, &m.headerBottom, &m.pageTop, &m.frameWidth,
                  &m.nextTextWidth, &m.nextWidth);
    return m;
  }

  testing_support::RegistryLock lock;
  testing_support::ScopedRegistration module{testing_support::BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
  testing_support::ScopedRegistration framework{testing_support::BuildPath(L"framework\\ZelFramework.dll")};
  std::vector<comlib::Bstr> savedFolders;
};

TEST_F(Scale, AtOneAndAHalfTimesTheDpiHostAndPagesGrowAlike) {
  const Measured normal = At(96);
  const Measured large = At(144);
  ASSERT_GT(normal.hostFont, 0);
  ASSERT_GT(large.hostFont, 0);
  // The host's text is the pages' text, at either DPI.
  EXPECT_EQ(normal.pageFont, normal.hostFont);
  EXPECT_EQ(large.pageFont, large.hostFont);
  EXPECT_NEAR(1.5, static_cast<double>(large.hostFont) / normal.hostFont, 0.1);
  EXPECT_NEAR(1.5, static_cast<double>(large.titleFont) / normal.titleFont, 0.1);
  EXPECT_NEAR(1.5, static_cast<double>(large.buttonHeight) / normal.buttonHeight, 0.1);
  EXPECT_NEAR(1.5, static_cast<double>(large.pageButtonHeight) / normal.pageButtonHeight, 0.1);
  EXPECT_NEAR(1.5, static_cast<double>(large.frameWidth) / normal.frameWidth, 0.1);
  for (const Measured* m : {&normal, &large}) {
    // Nothing clipped or covered: the header ends above the page, the
    // button's text fits the button.
    EXPECT_LE(m->headerBottom, m->pageTop);
    EXPECT_LT(m->nextTextWidth, m->nextWidth);
    EXPECT_GE(m->buttonHeight, m->hostFont + 4);
  }
}

}  // namespace
