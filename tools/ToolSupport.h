#pragma once
// What the console tools share: the COM frame of their entry point and the
// removal of the folders they generate.
#include <windows.h>

#include <string>

// Runs run in a single-threaded apartment. An exception becomes exit code 3
// with "<name>: out of memory" on the error stream; 3 as well when COM
// cannot start.
int RunInApartment(const wchar_t* name, int (*run)(int, wchar_t**), int argc, wchar_t** argv);

// Deletes the folder and everything beneath it. A directory link is removed
// as a link: what it leads to is never touched.
bool RemoveTree(const std::wstring& path);
