#include "StartCallbacks.h"

namespace nodes {

namespace detail {

template <class T, class I>
HRESULT MakeCallbacks(I* inner, RestoreState& state, unsigned serial, comlib::ComPtr<I>* out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!inner) return E_INVALIDARG;
  T* object = nullptr;
  const HRESULT hr = T::Create(&object);
  if (FAILED(hr)) return hr;
  object->inner_ = comlib::ComPtr<I>(inner);
  object->state_ = &state;
  object->serial_ = serial;
  *out = comlib::ComPtr<I>::Attach(object);  // Create's reference
  return S_OK;
}

}  // namespace detail

const QITAB* PhaseCallbacks::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(PhaseCallbacks, IZelAsynchRestoreCallbacks), {nullptr, 0}};
  return table;
}

HRESULT PhaseCallbacks::Make(IZelAsynchRestoreCallbacks* inner, RestoreState& state, unsigned serial,
                             comlib::ComPtr<IZelAsynchRestoreCallbacks>* out) noexcept {
  return detail::MakeCallbacks<PhaseCallbacks>(inner, state, serial, out);
}

STDMETHODIMP PhaseCallbacks::OnInfo(BSTR text) noexcept { return inner_->OnInfo(text); }
STDMETHODIMP PhaseCallbacks::OnWarning(BSTR text) noexcept { return inner_->OnWarning(text); }
STDMETHODIMP PhaseCallbacks::OnError(BSTR text) noexcept { return inner_->OnError(text); }

STDMETHODIMP PhaseCallbacks::OnCompleted(LONG value, BSTR text) noexcept {
  if (state_->PhaseOpen(serial_)) return inner_->OnCompleted(value, text);
  return inner_->OnInfo(text);
}

const QITAB* PartCallbacks::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(PartCallbacks, IZelServiceRestoreCallbacks), {nullptr, 0}};
  return table;
}

HRESULT PartCallbacks::Make(IZelServiceRestoreCallbacks* inner, RestoreState& state, unsigned serial,
                            comlib::ComPtr<IZelServiceRestoreCallbacks>* out) noexcept {
  return detail::MakeCallbacks<PartCallbacks>(inner, state, serial, out);
}

STDMETHODIMP PartCallbacks::OnProgress(LONG value, BSTR text) noexcept {
  return inner_->OnProgress(value, text);
}

STDMETHODIMP PartCallbacks::OnCompleted(LONG value, BSTR text) noexcept {
  if (state_->PartOpen(serial_)) return inner_->OnCompleted(value, text);
  return text ? inner_->OnProgress(value, text) : S_OK;
}

}  // namespace nodes
