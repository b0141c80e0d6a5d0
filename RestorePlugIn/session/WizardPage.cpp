#include "session/WizardPage.h"

#include "comlib/Dialog.h"
#include "comlib/ResourceText.h"
#include "comlib/Result.h"

namespace session {
namespace {

HRESULT OutText(const std::wstring& text, BSTR* out) noexcept {
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

STDMETHODIMP WizardPageCore::Reserved3(LONG) noexcept { return E_NOTIMPL; }

STDMETHODIMP WizardPageCore::GetNextPage(CLSID* pageClsid) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, pageClsid);
  *pageClsid = info_.next ? *info_.next : CLSID_NULL;
  return info_.next ? S_OK : E_NOTIMPL;
}

HRESULT WizardPageCore::Summary(std::wstring* text) {
  text->clear();
  return S_OK;
}

STDMETHODIMP WizardPageCore::GetSummary(BSTR* summary) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, summary);
  *summary = nullptr;
  return comlib::Guard([&] {
    std::wstring text;
    RETURN_IF_FAILED(Summary(&text));
    return OutText(text, summary);
  });
}

STDMETHODIMP WizardPageCore::ValidatePage(LONG* ok) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, ok);
  *ok = 0;
  bool passed = false;
  // A half-made commit must not look like success: the host stays on the page.
  const HRESULT hr = comlib::Guard([&] { return Validate(&passed); });
  if (FAILED(hr)) return E_UNEXPECTED;
  *ok = passed ? 1 : 0;
  return S_OK;
}

STDMETHODIMP WizardPageCore::GetValidationMessage(BSTR* message) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, message);
  *message = nullptr;
  return comlib::Guard([&] {
    const std::wstring text = ValidationMessage();
    return text.empty() ? S_OK : OutText(text, message);
  });
}

STDMETHODIMP WizardPageCore::ActivatePage(LONG* result) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, result);
  *result = 1;
  const HRESULT hr = comlib::Guard([&] { return OnActivatePage(); });
  return FAILED(hr) ? E_UNEXPECTED : S_OK;
}

STDMETHODIMP WizardPageCore::Reserved9(LONG* result) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, result);
  *result = 0;
  return S_OK;
}

STDMETHODIMP WizardPageCore::SetMessageSink(IUnknown* sink) noexcept {
  comlib::ComPtr<IZelCWMessageSink> held;
  // A sink without the interface leaves the page without one; the host is
  // not told, as it has no use for the answer.
  if (sink) sink->QueryInterface(__uuidof(IZelCWMessageSink), held.PutVoid());
  sink_ = std::move(held);
  return S_OK;
}

STDMETHODIMP WizardPageCore::GetPageDescription(BSTR* description) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, description);
  *description = nullptr;
  return comlib::Guard([&] { return OutText(comlib::ResourceString(info_.description), description); });
}

IRestoreModule* WizardPageCore::Session() noexcept {
  IUnknown* first = FirstObject();
  if (first && !(session_ && comlib::SameObject(session_.Get(), first))) {
    session_.Reset();
    first->QueryInterface(IID_IRestoreModule, session_.PutVoid());
  }
  return session_.Get();
}

void WizardPageCore::AddMessage(LONG kind, BSTR text) noexcept {
  if (sink_) sink_->AddMessage(kind, text);
}

}  // namespace session
