#include "HostObjects.h"

#include "comlib/Result.h"

namespace host {

const QITAB* MessageSink::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(MessageSink, IZelCWMessageSink), {nullptr, 0}};
  return table;
}

STDMETHODIMP MessageSink::AddMessage(LONG kind, BSTR text) noexcept {
  return comlib::Guard([&] {
    if (handler_) handler_(kind, std::wstring(text ? text : L"", ::SysStringLen(text)));
    return S_OK;
  });
}

const QITAB* PageSite::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(PageSite, IPropertyPageSite), {nullptr, 0}};
  return table;
}

STDMETHODIMP PageSite::OnStatusChange(DWORD) noexcept { return S_OK; }

STDMETHODIMP PageSite::GetLocaleID(LCID* locale) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, locale);
  *locale = ::GetUserDefaultLCID();
  return S_OK;
}

STDMETHODIMP PageSite::GetPageContainer(IUnknown** container) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, container);
  *container = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP PageSite::TranslateAccelerator(MSG*) noexcept { return S_FALSE; }

}  // namespace host
