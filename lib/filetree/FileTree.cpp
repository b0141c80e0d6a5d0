#include "filetree/FileTree.h"

#include <windows.h>

#include "comlib/Unique.h"

namespace filetree {

bool RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  {
    const comlib::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
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
      } while (::FindNextFileW(find.get(), &data));
    }
  }  // the listing is closed before its folder goes
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

}  // namespace filetree
