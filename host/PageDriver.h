#pragma once
// Unattended mode: puts an answer file's choices into the module's pages
// through their windows, the way a person would, and reads a person's
// choices back for an answer file.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "AnswerFile.h"

namespace host {

enum class PageKind { Selection, Directories, Nodes, Other };

PageKind KindOfPage(const CLSID& page);

// Sets the page's controls from the answers; returns what could not be set
// (a backup, service or node the page does not show), one line each.
std::vector<std::wstring> FillPage(PageKind kind, HWND page, const Answers& answers,
                                   const std::wstring& computerName);
// Adds what the page shows to the answers.
void ReadPage(PageKind kind, HWND page, const std::wstring& computerName, Answers* answers);

}  // namespace host
