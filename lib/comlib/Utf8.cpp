#include "Utf8.h"

#include <windows.h>

#include <climits>

namespace comlib {

std::string ToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int n = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), n, &out[0], size, nullptr, nullptr);
  return out;
}

namespace {

std::optional<std::wstring> Convert(std::string_view bytes, DWORD flags) {
  if (bytes.empty()) return std::wstring();
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int n = static_cast<int>(bytes.size());
  const int size = ::MultiByteToWideChar(CP_UTF8, flags, bytes.data(), n, nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, flags, bytes.data(), n, &out[0], size);
  return out;
}

}  // namespace

std::wstring FromUtf8(std::string_view bytes) { return Convert(bytes, 0).value_or(std::wstring()); }

std::optional<std::wstring> FromUtf8Strict(std::string_view bytes) {
  return Convert(bytes, MB_ERR_INVALID_CHARS);
}

}  // namespace comlib
