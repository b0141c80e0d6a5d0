#pragma once
// Reference argument editor: a service's restore arguments as editable text.
// The bytes are UTF-8 text; the editor hands back the text it shows, encoded
// the same way, in a buffer it keeps until the next GetArguments.
#include <windows.h>

#include <string>
#include <vector>

#include "OleControl.h"
#include "ZelFramework.h"

namespace zel {

extern const CLSID CLSID_ZelArgumentEditor;

std::wstring ArgumentText(const unsigned char* bytes, ULONG count);
std::vector<unsigned char> ArgumentBytes(const std::wstring& text);

class CZelArgumentEditor : public OleControl<CZelArgumentEditor>, public IArgumentEditor {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  static const CLSID& ClassId() noexcept { return CLSID_ZelArgumentEditor; }

  STDMETHODIMP SetArguments(ULONG byteCount, unsigned char* bytes) noexcept override;
  STDMETHODIMP GetArguments(ServiceArguments* arguments) noexcept override;

 protected:
  HWND MakeWindow(HWND parent, const RECT& rect) noexcept override;
  void WindowClosing() noexcept override;

 private:
  void ReadText() noexcept;

  std::wstring text_;
  std::vector<unsigned char> handedOut_;
};

}  // namespace zel
