// ZelWizardHost: the reference host of the backup and restore wizard.
//   ZelWizardHost.exe                        the wizard, for a person
//   ZelWizardHost.exe --answers FILE         unattended, driven by an answer file
//   options: --save-answers FILE   write the choices as an answer file at the summary
//            --screenshots DIR     save a PNG picture of every step
// The exit code: 0 restored, 1 stopped before the restore started, 2 a page
// refused, 3 not permitted, 4 no tool, 5 answers not taken, 6 cancelled,
// 7 the restore failed.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <shlwapi.h>

#include <string>

#include "AnswerFile.h"
#include "comlib/ConsoleText.h"
#include "Wizard.h"

namespace {

using comlib::WriteText;

void Print(const std::wstring& line) { WriteText(STD_OUTPUT_HANDLE, line + L"\n"); }

int Usage() {
  WriteText(STD_ERROR_HANDLE,
            L"usage: ZelWizardHost [--answers FILE] [--save-answers FILE] [--screenshots DIR]\n");
  return static_cast<int>(host::Outcome::BadAnswers);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  host::RunOptions options;
  std::wstring answers;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--answers" && hasValue) answers = argv[++i];
    else if (arg == L"--save-answers" && hasValue) options.saveAnswers = argv[++i];
    else if (arg == L"--screenshots" && hasValue) options.screenshots = argv[++i];
    else return Usage();
  }
  if (!answers.empty()) {
    host::Answers parsed;
    std::wstring error;
    if (!host::ReadAnswerFile(answers, &parsed, &error)) {
      WriteText(STD_ERROR_HANDLE, L"answer file: " + error + L"\n");
      return static_cast<int>(host::Outcome::BadAnswers);
    }
    // Folders may be written relative to the answer file.
    wchar_t base[MAX_PATH];
    DWORD n = ::GetFullPathNameW(answers.c_str(), MAX_PATH, base, nullptr);
    if (n > 0 && n < MAX_PATH && ::PathRemoveFileSpecW(base)) {
      for (std::wstring& folder : parsed.folders) {
        if (!::PathIsRelativeW(folder.c_str())) continue;
        wchar_t full[MAX_PATH];
        if (::PathCombineW(full, base, folder.c_str())) folder = full;
      }
    }
    options.answers = std::move(parsed);
  }
  options.output = Print;
  if (FAILED(::OleInitialize(nullptr))) return static_cast<int>(host::Outcome::Failed);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  const host::Outcome outcome = host::RunWizard(options, nullptr);
  ::OleUninitialize();
  return static_cast<int>(outcome);
}
