#include "WholeFile.h"

#include <climits>

#include "Unique.h"

namespace comlib {

bool ReadWholeFile(HANDLE file, std::string* bytes, uint64_t limit) {
  bytes->clear();
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) return false;
    if (read == 0) return true;
    if (bytes->size() + read > limit) return false;
    bytes->append(buffer, read);
  }
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t limit) {
  bytes->clear();
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && ReadWholeFile(file.get(), bytes, limit);
}

std::string ReadWholeFile(const std::wstring& path) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) bytes.clear();
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  if (bytes.size() > ULONG_MAX) return false;
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace comlib
