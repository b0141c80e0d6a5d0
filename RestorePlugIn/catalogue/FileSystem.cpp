#include "catalogue/FileSystem.h"

namespace {

class RealFileSystem final : public FileSystem {
 public:
  DWORD List(const std::wstring& pattern, const Entry& entry) override {
    WIN32_FIND_DATAW data;
    comlib::UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                               nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return ::GetLastError();
    do {
      entry(data);
    } while (::FindNextFileW(find.get(), &data));
    return ERROR_SUCCESS;
  }

  std::wstring FinalPath(const std::wstring& path) override {
    comlib::UniqueFile handle(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::wstring();
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetFinalPathNameByHandleW(handle.get(), &text[0], static_cast<DWORD>(text.size()),
                                                  FILE_NAME_NORMALIZED);
      if (n == 0) return std::wstring();
      if (n < text.size()) {
        text.resize(n);
        break;
      }
      text.resize(n + 1);
    }
    while (text.size() > 1 && text.back() == L'\\') text.pop_back();
    return text;
  }

  comlib::UniqueFile OpenForReading(const std::wstring& path) override {
    return comlib::UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
};

}  // namespace

FileSystem& FileSystem::Real() noexcept {
  static RealFileSystem real;
  return real;
}
