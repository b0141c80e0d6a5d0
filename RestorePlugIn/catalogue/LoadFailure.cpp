#include "catalogue/LoadFailure.h"

#include <cwchar>

namespace xml {

bool LoadFailure::Missing() const noexcept {
  return kind == Kind::CannotRead && (status == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
                                      status == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
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
