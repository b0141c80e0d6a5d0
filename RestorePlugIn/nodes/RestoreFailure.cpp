#include "RestoreFailure.h"

#include "comlib/StatusText.h"

namespace nodes {

namespace {

const wchar_t kFailed[] = L"The restore failed: ";

std::wstring WithEndText(std::wstring line, const std::wstring& endText) {
  if (!endText.empty()) line += L". " + endText;
  return line;
}

// The system's text is only for failures: for other values it would name
// an unrelated error.
std::wstring Status(HRESULT status) {
  if (FAILED(status)) return comlib::StatusText(status);
  wchar_t code[16];
  wsprintfW(code, L"0x%08X", static_cast<unsigned>(status));
  return code;
}

std::wstring PartName(const std::wstring& service, size_t part, size_t parts) {
  return L"part " + std::to_wstring(part) + L" of " + std::to_wstring(parts) + L" of " + service;
}

}  // namespace

std::wstring PhaseFailedLine(HRESULT status, const std::wstring& endText) {
  return WithEndText(kFailed + std::wstring(L"the first phase ended with ") + Status(status), endText);
}

std::wstring PartFailedLine(const std::wstring& service, size_t part, size_t parts, HRESULT status,
                            const std::wstring& endText) {
  return WithEndText(kFailed + PartName(service, part, parts) + L" ended with " + Status(status),
                     endText);
}

std::wstring PartNotStartedLine(const std::wstring& service, size_t part, size_t parts,
                                HRESULT lastStatus) {
  return kFailed + PartName(service, part, parts) +
         L" could not be started; the last attempt answered " + Status(lastStatus);
}

}  // namespace nodes
