#include "catalogue/LoadFailure.h"

#include <cwchar>

namespace xml {

bool LoadFailure::Missing() const noexcept {
  return kind == Kind::CannotRead && (status == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
                                      status == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

std::wstring StatusText(HRESULT status) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (n && buffer) text.assign(buffer, n);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  wchar_t code[16];
  std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(status));
  return text.empty() ? std::wstring(L"error ") + code : text + L" (" + code + L")";
}

std::wstring LoadFailure::Describe() const {
  switch (kind) {
    case Kind::None: return std::wstring();
    case Kind::CannotRead: return L"cannot be read: " + StatusText(status);
    case Kind::TooLarge:
      return L"too large: " + std::to_wstring(size) + L" bytes, the limit is " + std::to_wstring(kMaxFileBytes) +
             L" bytes";
    case Kind::EncodingNotTaken:
      return text.empty() ? std::wstring(L"encoding not taken: it cannot be recognised")
                          : L"encoding not taken: " + text;
    case Kind::DeclaresDocumentType: return L"declares a document type at line " + std::to_wstring(line);
    case Kind::NotWellFormed: {
      std::wstring where;
      if (line > 0) where = L" at line " + std::to_wstring(line) + L", column " + std::to_wstring(column);
      return L"not well-formed" + where + (text.empty() ? std::wstring() : L": " + text);
    }
    case Kind::NoParser: return L"no XML parser: " + StatusText(status);
  }
  return std::wstring();
}

}  // namespace xml
