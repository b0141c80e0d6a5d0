#pragma once
// The reference wizard host: lists the wizard's tools, runs one tool's pages
// in a window of its own and starts the restore with a progress view. With
// answers it runs unattended, driving the pages through their windows.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AnswerFile.h"
#include "WizardFlow.h"

namespace host {

struct RunOptions {
  std::optional<Answers> answers;  // unattended when set
  std::wstring saveAnswers;        // the choices are written here at the summary
  std::wstring screenshots;        // a folder for PNG pictures of every step
  std::function<void(const std::wstring& line)> output;  // every transcript line
  // The host's own message boxes, answered here when set (tests); otherwise
  // MessageBoxW owned by the wizard.
  std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)> ask;
};

// What an unattended run showed, for its caller.
struct Transcript {
  std::vector<ToolInfo> tools;
  std::vector<std::wstring> pages;      // titles, in the order entered
  std::vector<std::wstring> refusals;   // validation messages shown
  std::vector<std::wstring> problems;   // answers the pages could not take
  std::wstring summary;
  std::vector<std::pair<long, std::wstring>> progress;  // AddMessage lines
  std::vector<std::wstring> boxes;      // "caption: text" of message boxes
  HRESULT applyStatus = S_OK;
  std::wstring result;  // "header: detail" shown when the restore returned
};

// Runs the wizard on this thread (OLE initialised, single-threaded
// apartment) until it ends.
Outcome RunWizard(const RunOptions& options, Transcript* transcript);

}  // namespace host
