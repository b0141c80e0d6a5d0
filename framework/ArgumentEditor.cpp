#include "ArgumentEditor.h"

#include "comlib/ControlText.h"
#include "comlib/Dialog.h"
#include "comlib/Result.h"
#include "comlib/Utf8.h"

namespace zel {

// {962E1E4C-AC44-4E4A-A4E8-2F0C963DE3A8}
const CLSID CLSID_ZelArgumentEditor = {
    0x962E1E4C, 0xAC44, 0x4E4A, {0xA4, 0xE8, 0x2F, 0x0C, 0x96, 0x3D, 0xE3, 0xA8}};

std::wstring ArgumentText(const unsigned char* bytes, ULONG count) {
  if (!bytes) return std::wstring();
  return comlib::FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes), count));
}

std::vector<unsigned char> ArgumentBytes(const std::wstring& text) {
  const std::string utf8 = comlib::ToUtf8(text);
  return std::vector<unsigned char>(utf8.begin(), utf8.end());
}

const QITAB* CZelArgumentEditor::Interfaces() noexcept {
  static const QITAB table[] = {ZEL_OLE_CONTROL_QITAB(CZelArgumentEditor),
                                QITABENT(CZelArgumentEditor, IArgumentEditor), {nullptr, 0}};
  return table;
}

STDMETHODIMP CZelArgumentEditor::SetArguments(ULONG byteCount, unsigned char* bytes) noexcept {
  if (byteCount && !bytes) return E_POINTER;
  return comlib::Guard([&] {
    text_ = ArgumentText(bytes, byteCount);
    if (HWND edit = window()) ::SetWindowTextW(edit, text_.c_str());
    return S_OK;
  });
}

STDMETHODIMP CZelArgumentEditor::GetArguments(ServiceArguments* arguments) noexcept {
  if (!arguments) return E_POINTER;
  *arguments = ServiceArguments{};
  return comlib::Guard([&] {
    ReadText();
    handedOut_ = ArgumentBytes(text_);
    arguments->byteCount = static_cast<ULONG>(handedOut_.size());
    arguments->data = handedOut_.empty() ? nullptr : handedOut_.data();
    return S_OK;
  });
}

HWND CZelArgumentEditor::MakeWindow(HWND parent, const RECT& rect) noexcept {
  return ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text_.c_str(),
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                               ES_AUTOVSCROLL | ES_WANTRETURN,
                           rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           parent, nullptr, comlib::Module::Instance(), nullptr);
}

void CZelArgumentEditor::WindowClosing() noexcept { ReadText(); }

void CZelArgumentEditor::ReadText() noexcept {
  if (HWND edit = window()) {
    try {
      text_ = comlib::WindowText(edit);
    } catch (...) {
      // keeps the last text it had
    }
  }
}

}  // namespace zel
