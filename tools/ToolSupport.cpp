#include "ToolSupport.h"

#include <objbase.h>

#include "ConsoleText.h"

int RunInApartment(const wchar_t* name, int (*run)(int, wchar_t**), int argc, wchar_t** argv) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  int code = 3;
  try {
    code = run(argc, argv);
  } catch (...) {
    WriteText(STD_ERROR_HANDLE, std::wstring(name) + L": out of memory\n");
  }
  ::CoUninitialize();
  return code;
}

bool RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(child);
      else if (folder)
        ::RemoveDirectoryW(child.c_str());
      else
        ::DeleteFileW(child.c_str());
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}
