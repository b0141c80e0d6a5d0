#pragma once
// Directory links for the walk's tests.
#include <windows.h>

#include <string>
#include <vector>

namespace links {

inline bool IsLink(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Wine's Unix path of a Windows path, or empty outside Wine.
inline std::string UnixPath(const std::wstring& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return std::string();
  char* unix = convert(path.c_str());
  if (!unix) return std::string();
  std::string text = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return text;
}

// Starts a program and waits for its end; false when it cannot be started.
inline bool RunUnix(std::wstring command) {
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
    return false;
  // Wine does not hand on a Unix program's exit code reliably: callers look
  // at the result instead.
  ::WaitForSingleObject(process.hProcess, 10000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

inline std::wstring Quoted(const std::string& unixPath) {
  std::wstring text = L"\"";
  for (char c : unixPath) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return text + L"\"";
}

// Directory links made for one test and removed with it. Windows makes them
// with CreateSymbolicLinkW; Wine 8 answers that call with success and makes
// nothing, but shows a Unix symbolic link as a directory link, so there the
// link comes from the Unix side.
class Links {
 public:
  ~Links() {
    for (const std::wstring& link : made_) {
      if (::RemoveDirectoryW(link.c_str()) || !IsLink(link)) continue;
      const std::string unix = UnixPath(link);
      if (!unix.empty()) RunUnix(L"/bin/rm -f " + Quoted(unix));
    }
  }

  bool Make(const std::wstring& link, const std::wstring& target) {
    made_.push_back(link);
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        IsLink(link))
      return true;
    const size_t slash = link.rfind(L'\\');
    const std::string folder = UnixPath(link.substr(0, slash));
    const std::string to = UnixPath(target);
    if (folder.empty() || to.empty()) return false;
    const std::string name(link.begin() + static_cast<std::ptrdiff_t>(slash) + 1, link.end());
    if (!RunUnix(L"/bin/ln -s " + Quoted(to) + L" " + Quoted(folder + "/" + name))) return false;
    // Wine may report the Unix process ended a moment before its work shows.
    for (int i = 0; i < 100 && !IsLink(link); ++i) ::Sleep(20);
    return IsLink(link);
  }

 private:
  std::vector<std::wstring> made_;
};

inline bool UnderWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace links
