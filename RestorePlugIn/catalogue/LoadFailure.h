#pragma once
// Why an XML file was not loaded, precise enough to tell the user which of
// the causes applies.
#include <windows.h>

#include <string>

#include "comlib/StatusText.h"

namespace xml {

// Files far above what the module itself writes or reads in practice are
// refused before parsing, so that no document can exhaust a 32-bit host.
constexpr LONGLONG kMaxFileBytes = 1ll << 20;

struct LoadFailure {
  enum class Kind {
    None,
    CannotRead,            // status: the system's error
    TooLarge,              // size
    EncodingNotTaken,      // text: the encoding, or empty when none can be recognised
    DeclaresDocumentType,  // line
    NotWellFormed,         // text: the parser's reason; line and column when known
    NoParser,              // status: the document object cannot be made
  };
  Kind kind = Kind::None;
  HRESULT status = S_OK;
  LONGLONG size = 0;
  long line = 0;
  long column = 0;
  std::wstring text;

  // The file does not exist (or its folder does not): no content to lose.
  bool Missing() const noexcept;
  // One line for the user: the cause and its particulars.
  std::wstring Describe() const;
};

using comlib::StatusText;

}  // namespace xml
