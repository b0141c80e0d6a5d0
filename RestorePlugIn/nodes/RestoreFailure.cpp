#include "RestoreFailure.h"

#include "comlib/Unique.h"

namespace nodes {

namespace {

const wchar_t kFailed[] = L"The restore failed: ";

std::wstring WithEndText(std::wstring line, const std::wstring& endText) {
  if (!endText.empty()) line += L": " + endText;
  return line;
}

std::wstring PartName(const std::wstring& service, size_t part, size_t parts) {
  return L"part " + std::to_wstring(part) + L" of " + std::to_wstring(parts) + L" of " + service;
}

}  // namespace

std::wstring StatusText(HRESULT status) {
  wchar_t number[16];
  wsprintfW(number, L"0x%08X", static_cast<unsigned>(status));
  std::wstring text = number;
  wchar_t* message = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  comlib::UniqueLocal owner(message);
  std::wstring said(message ? message : L"", length);
  while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L' '))
    said.pop_back();
  if (!said.empty()) text += L" (" + said + L")";
  return text;
}

std::wstring PhaseFailedLine(HRESULT status, const std::wstring& endText) {
  return WithEndText(kFailed + std::wstring(L"the first phase ended with ") + StatusText(status), endText);
}

std::wstring PartFailedLine(const std::wstring& service, size_t part, size_t parts, HRESULT status,
                            const std::wstring& endText) {
  return WithEndText(kFailed + PartName(service, part, parts) + L" ended with " + StatusText(status),
                     endText);
}

std::wstring PartNotStartedLine(const std::wstring& service, size_t part, size_t parts,
                                HRESULT lastStatus) {
  return kFailed + PartName(service, part, parts) +
         L" could not be started; the last attempt answered " + StatusText(lastStatus);
}

}  // namespace nodes
