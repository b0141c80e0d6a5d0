// Saving the run's answers, and pictures of its steps.
#include "WizardWindow.h"

#include <commdlg.h>

#include "Screenshot.h"
#include "SettingsFile.h"

namespace host {
namespace wizard {

void Wizard::OnSaveClicked() {
  wchar_t file[MAX_PATH] = L"answers.ini";
  OPENFILENAMEW ofn = {sizeof ofn};
  ofn.hwndOwner = frame_;
  ofn.lpstrFilter = L"Answer files (*.ini)\0*.ini\0All files\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = L"ini";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (::GetSaveFileNameW(&ofn)) SaveAnswers(file);
}

void Wizard::SaveAnswers(const std::wstring& path) {
  Answers answers = recorded_;
  SettingsFile().ReadFolders(&answers.folders);
  const bool written = WriteAnswerFile(path, answers);
  Say(written ? L"Answers saved to " + path : L"Answers could not be saved to " + path);
}

void Wizard::Screenshot(const std::wstring& name) {
  if (options_.screenshots.empty()) return;
  // Let the windows paint and reach the screen; the wizard's own steps wait
  // in the queue.
  ::RedrawWindow(frame_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (int i = 0; i < 15; ++i) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, WM_APP - 1, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(20);
  }
  ++shots_;
  const std::wstring path = options_.screenshots + L"\\" + std::to_wstring(shots_) + L"-" + name + L".png";
  const HRESULT hr = SaveWindowPng(frame_, path);
  Say(SUCCEEDED(hr) ? L"Screenshot: " + path : L"Screenshot failed: " + path + L" " + StatusText(hr));
}

}  // namespace wizard
}  // namespace host
