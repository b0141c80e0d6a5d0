#include "PropertyPage.h"

#include <new>

#include "Module.h"
#include "ResourceText.h"
#include "Unique.h"

namespace comlib {

SIZE DialogTemplateSize(UINT templateId) noexcept {
  SIZE size = {0, 0};
  // Creating the dialog hidden measures it exactly as the dialog manager
  // lays it out, font and all.
  struct Measure : Dialog {
    bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR* result) override {
      if (message == WM_INITDIALOG) {
        *result = FALSE;
        return true;
      }
      return false;
    }
  } measure;
  // A page template has the child style, and a child needs a parent.
  UniqueHwnd parent(::CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      Module::Instance(), nullptr));
  HWND window = measure.Create(parent.get(), templateId);
  if (window) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    measure.Destroy();
  }
  return size;
}

LPOLESTR CoTaskCopy(const std::wstring& text) noexcept {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
  if (copy) ::memcpy(copy, text.c_str(), bytes);
  return copy;
}

void FocusFirstControl(HWND page) noexcept {
  const HWND focus = ::GetFocus();
  if (focus && (focus == page || ::IsChild(page, focus))) return;
  // Only within the window the person works in: a page shown behind another
  // window must not pull the focus over.
  if (::GetActiveWindow() != ::GetAncestor(page, GA_ROOT)) return;
  const HWND first = ::GetNextDlgTabItem(page, nullptr, FALSE);
  if (!first || !::IsChild(page, first)) return;
  ::SetFocus(first);
  if (::SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    ::SendMessageW(first, EM_SETSEL, 0, -1);
}

STDMETHODIMP PropertyPageCore::SetPageSite(IPropertyPageSite* site) noexcept {
  if (site && site_) return E_UNEXPECTED;
  site_ = ComPtr<IPropertyPageSite>(site);
  return S_OK;
}

STDMETHODIMP PropertyPageCore::Activate(HWND parent, LPCRECT rect, BOOL) noexcept {
  if (hwnd()) return E_UNEXPECTED;
  HWND window = Create(parent, resources_.dialog);
  if (!window) return E_FAIL;
  // A child dialog gets no extended style of its own; without this bit no
  // host's dialog manager, the platform's property frame included, tabs into
  // the page's controls.
  ::SetWindowLongPtrW(window, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  if (rect) Move(rect);
  return S_OK;
}

STDMETHODIMP PropertyPageCore::Deactivate() noexcept {
  Destroy();
  return S_OK;
}

STDMETHODIMP PropertyPageCore::GetPageInfo(PROPPAGEINFO* info) noexcept {
  if (!info) return E_POINTER;
  const SIZE size = DialogTemplateSize(resources_.dialog);
  PROPPAGEINFO out = {};
  out.cb = sizeof out;
  try {
    out.pszTitle = CoTaskCopy(ResourceString(resources_.title));
    out.pszHelpFile = CoTaskCopy(ResourceString(resources_.helpFile));
    out.pszDocString = CoTaskCopy(ResourceString(resources_.docString));
  } catch (...) {
  }
  if (!out.pszTitle || !out.pszHelpFile || !out.pszDocString) {
    ::CoTaskMemFree(out.pszTitle);
    ::CoTaskMemFree(out.pszHelpFile);
    ::CoTaskMemFree(out.pszDocString);
    return E_OUTOFMEMORY;
  }
  out.size = size;
  out.dwHelpContext = 0;
  *info = out;
  return S_OK;
}

STDMETHODIMP PropertyPageCore::SetObjects(ULONG count, IUnknown** objects) noexcept {
  if (count && !objects) return E_POINTER;
  try {
    std::vector<ComPtr<IUnknown>> list;
    list.reserve(count);
    for (ULONG i = 0; i < count; ++i) list.emplace_back(objects[i]);
    objects_.swap(list);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

STDMETHODIMP PropertyPageCore::Show(UINT command) noexcept {
  if (!hwnd()) return E_UNEXPECTED;
  ::ShowWindow(hwnd(), static_cast<int>(command));
  return S_OK;
}

STDMETHODIMP PropertyPageCore::Move(LPCRECT rect) noexcept {
  if (!rect) return E_POINTER;
  if (!hwnd()) return E_UNEXPECTED;
  ::MoveWindow(hwnd(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               TRUE);
  return S_OK;
}

STDMETHODIMP PropertyPageCore::IsPageDirty() noexcept { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP PropertyPageCore::Apply() noexcept { return OnApply(); }

HRESULT PropertyPageCore::OnApply() noexcept {
  SetDirty(false);
  return S_OK;
}

STDMETHODIMP PropertyPageCore::Help(LPCOLESTR) noexcept { return E_NOTIMPL; }

STDMETHODIMP PropertyPageCore::TranslateAccelerator(MSG* msg) noexcept {
  if (!msg) return E_POINTER;
  if (!hwnd()) return S_FALSE;
  // Let the page's dialog manager see keys meant for its controls.
  if ((msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) &&
      (msg->hwnd == hwnd() || ::IsChild(hwnd(), msg->hwnd)) &&
      ::IsDialogMessageW(hwnd(), msg))
    return S_OK;
  return S_FALSE;
}

void PropertyPageCore::SetDirty(bool dirty) noexcept {
  if (dirty_ == dirty) return;
  dirty_ = dirty;
  if (site_) site_->OnStatusChange(dirty ? PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE : 0);
}

}  // namespace comlib
