#pragma once
// The wizard host's frame window and its run, shared by the files that
// implement it: Wizard.cpp (the window and the course of the pages),
// UnattendedRun.cpp (driving the pages and answering message boxes from
// the answers) and AnswerSaving.cpp (saving answers and screenshots).
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <map>
#include <string>
#include <vector>

#include "HostObjects.h"
#include "Tools.h"
#include "Wizard.h"
#include "comlib/ComPtr.h"

namespace host {
namespace wizard {

inline constexpr UINT WM_APP_START = WM_APP + 1;
inline constexpr UINT WM_APP_DRIVE = WM_APP + 2;

enum : int {
  IDC_BACK = 1001,
  IDC_NEXT = 1002,
  IDC_SAVE = 1003,
  IDC_TITLE = 1010,
  IDC_DESCRIPTION = 1011,
  IDC_TOOLS = 1020,
  IDC_SUMMARY = 1021,
  IDC_PROGRESS = 1022,
  IDC_ERRORS_LABEL = 1023,
  IDC_ERRORS = 1024,
};

inline constexpr int kMargin = 12;
inline constexpr int kHeader = 64;
inline constexpr int kButtonWidth = 88;
inline constexpr int kButtonHeight = 25;

struct Page {
  comlib::ComPtr<IPropertyPage> page;
  comlib::ComPtr<IZelCWPropertyPageAdaption> adaption;
  std::wstring title;
  std::wstring description;
  HWND window = nullptr;
};

// Takes over a text a page returned: empty when the call failed.
std::wstring TakeText(HRESULT hr, BSTR text);
// "0x8000FFFF" for the transcript.
std::wstring StatusText(HRESULT hr);

// Splits a text at CR LF, CR or LF.
std::vector<std::wstring> Lines(const std::wstring& text);
std::wstring ComputerName();

class Wizard {
 public:
  Wizard(const RunOptions& options, Transcript* transcript)
      : options_(options), transcript_(transcript), unattended_(options.answers.has_value()) {
    if (unattended_) recorded_ = *options.answers;
  }
  ~Wizard() { TearDown(); }

  Outcome Run();

 private:
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void Say(const std::wstring& line);
  void End(Outcome outcome);
  void CreateControls();
  void Layout();
  void ShowStep();
  void SetHeader(const std::wstring& title, const std::wstring& description);
  int Ask(const std::wstring& text, const std::wstring& caption, UINT type);
  bool ConfirmDiscard();
  bool ConfirmRestore();
  int Scaled(int pixels) const { return ::MulDiv(pixels, dpi_, 96); }
  // Where pages go, in the frame's client coordinates.
  RECT PageArea() const;
  std::wstring WindowCaption() const;

  void Start();
  void SeedFolders();
  void BeginAnsweredTool();
  bool FillTools();
  void OnNext();
  void OnBack();
  void OnCancel();
  void OnDrive();
  bool BeginTool(const Tool& tool);
  Page* CurrentPage();
  Page* OpenPage(const CLSID& clsid);
  void EnterPage();
  void LeavePage();
  void ShowSummary();
  void RunRestore();
  std::vector<std::wstring> LeftOnDisk() const;
  void OnAddMessage(long kind, const std::wstring& text);
  void OnSaveClicked();
  void SaveAnswers(const std::wstring& path);
  void Screenshot(const std::wstring& name);
  void EndSession();
  void TearDown();

  const RunOptions& options_;
  Transcript* transcript_;
  const bool unattended_;
  Answers recorded_;
  WizardFlow flow_;
  std::vector<Tool> tools_;
  const Tool* tool_ = nullptr;
  comlib::ComPtr<IUnknown> session_;
  std::map<std::wstring, Page> pages_;  // by class id text
  comlib::ComPtr<MessageSink> sink_;
  comlib::ComPtr<PageSite> site_;
  std::wstring lastPageKey_;
  bool done_ = false;
  bool applying_ = false;
  bool stopped_ = false;
  Outcome outcome_ = Outcome::Cancelled;
  Outcome restoreOutcome_ = Outcome::Failed;  // of the restore, once it ran
  int shots_ = 0;
  int dpi_ = 96;
  HWND focus_ = nullptr;  // the focus while the wizard is inactive
  // What Finish names when it asks: read from the directories page on leaving it.
  std::wstring restoredSystem_;
  std::wstring restoredProjectData_;

  HWND frame_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  HIMAGELIST images_ = nullptr;
  SIZE area_ = {480, 340};
  HHOOK hook_ = nullptr;
  static Wizard* running_;
};

}  // namespace wizard
}  // namespace host
