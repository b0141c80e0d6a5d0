// The unattended run: the answers drive the pages and answer message boxes.
#include "WizardWindow.h"

#include <windows.h>

#include <algorithm>

#include "PageDriver.h"
#include "Screenshot.h"
#include "SettingsFile.h"
#include "comlib/ControlText.h"

namespace host {
namespace wizard {

Wizard* Wizard::running_ = nullptr;

// Unattended runs answer the restore's message boxes: OK, or Yes/No as the
// answers say for a warning. A box during the restore that is not an
// accepted warning means the restore stopped.
LRESULT CALLBACK Wizard::BoxHook(int code, WPARAM wParam, LPARAM lParam) {
  Wizard* self = running_;
  // A box is activated more than once; it is answered the first time.
  const wchar_t kAnswered[] = L"ZelWizardHost.Answered";
  if (code == HCBT_DESTROYWND) ::RemovePropW(reinterpret_cast<HWND>(wParam), kAnswered);
  if (code == HCBT_ACTIVATE && self) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t cls[16] = {};
    ::GetClassNameW(box, cls, 16);
    if (wcscmp(cls, L"#32770") == 0 && ::GetDlgItem(box, 0xFFFF) && !::GetPropW(box, kAnswered)) {
      ::SetPropW(box, kAnswered, reinterpret_cast<HANDLE>(1));
      const std::wstring caption = comlib::WindowText(box), text = comlib::WindowText(::GetDlgItem(box, 0xFFFF));
      const bool question = ::GetDlgItem(box, IDYES) != nullptr;
      const int answer = question ? (self->recorded_.continueOnWarning ? IDYES : IDNO)
                                  : (::GetDlgItem(box, IDOK) ? IDOK : IDCANCEL);
      self->transcript_->boxes.push_back(caption + L": " + text);
      self->Say(L"Message box: " + caption + L": " + text);
      if (question) self->Say(answer == IDYES ? L"  answered Yes" : L"  answered No");
      if (self->applying_ && answer != IDYES) self->stopped_ = true;
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The module's page 1 reads its folders from its settings file only.
void Wizard::SeedFolders() {
  if (recorded_.folders.empty()) return;
  const SettingsFile settings;
  settings.WriteFolders(recorded_.folders);
  Say(L"Backup folders: " + std::to_wstring(recorded_.folders.size()) + L" written to " +
      settings.Path());
}

// Starts the tool the answers name, without the tool list's Next.
void Wizard::BeginAnsweredTool() {
  const ToolInfo* info = nullptr;
  std::vector<ToolInfo> infos;
  for (const Tool& t : tools_) infos.push_back(t.info);
  info = PickTool(infos, recorded_.tool);
  if (!info) {
    const bool listed = std::any_of(infos.begin(), infos.end(), [&](const ToolInfo& t) {
      return recorded_.tool.empty() ||
             ::CompareStringOrdinal(t.name.c_str(), -1, recorded_.tool.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
    Say(listed ? L"Not permitted: the restore is not permitted for this user."
               : L"No such tool: " + (recorded_.tool.empty() ? L"(any)" : recorded_.tool));
    End(listed ? Outcome::NotPermitted : Outcome::NoTool);
    return;
  }
  const Tool& tool = tools_[static_cast<size_t>(info - infos.data())];
  Say(L"Tool: " + tool.info.name);
  BeginTool(tool);
}

void Wizard::OnDrive() {
  if (done_) return;
  switch (flow_.step()) {
    case Step::Page: {
      Page* page = CurrentPage();
      if (!page) return;
      const auto problems = FillPage(KindOfPage(flow_.currentPage()), page->window, recorded_, ComputerName());
      for (const auto& problem : problems) {
        transcript_->problems.push_back(problem);
        Say(L"Answer not taken: " + problem);
      }
      Screenshot(L"page" + std::to_wstring(flow_.pageIndex() + 1));
      const size_t refusals = transcript_->refusals.size();
      OnNext();
      if (!done_ && !problems.empty() && transcript_->refusals.size() == refusals) End(Outcome::BadAnswers);
      break;
    }
    case Step::Summary:
      Screenshot(L"summary");
      OnNext();
      break;
    default:
      break;
  }
}

}  // namespace wizard
}  // namespace host
