#pragma once
// What the console tools share: the COM frame of their entry point and the
// removal of the folders they generate.
#include <windows.h>

#include <string>

#include "comlib/ConsoleText.h"
#include "filetree/FileTree.h"

// Runs run in a single-threaded apartment. An exception becomes exit code 3
// with "<name>: out of memory" on the error stream; 3 as well when COM
// cannot start.
int RunInApartment(const wchar_t* name, int (*run)(int, wchar_t**), int argc, wchar_t** argv);

using comlib::WriteText;
using filetree::RemoveTree;
