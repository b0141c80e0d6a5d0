#pragma once
// One callback identity per start. The framework may keep the callbacks it
// was given and announce an end again, or late; through these, such an end
// can neither end the wait of a later start nor count as its status. Its
// text still reaches the host as a progress line.
#include <windows.h>

#include "RestoreState.h"
#include "ZelFramework.h"
#include "comlib/ComObject.h"
#include "comlib/ComPtr.h"

namespace nodes {

namespace detail {
template <class T, class I>
HRESULT MakeCallbacks(I* inner, RestoreState& state, unsigned serial, comlib::ComPtr<I>* out) noexcept;
}  // namespace detail

// Handed to SetCallbacks for one Apply's first phase.
class PhaseCallbacks : public comlib::ComObject<PhaseCallbacks>, public IZelAsynchRestoreCallbacks {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  // The inner callbacks are the page's: they pass texts on and end the
  // phase. They keep the state alive for as long as this object lives.
  static HRESULT Make(IZelAsynchRestoreCallbacks* inner, RestoreState& state, unsigned serial,
                      comlib::ComPtr<IZelAsynchRestoreCallbacks>* out) noexcept;

  STDMETHODIMP OnInfo(BSTR text) noexcept override;
  STDMETHODIMP OnWarning(BSTR text) noexcept override;
  STDMETHODIMP OnError(BSTR text) noexcept override;
  STDMETHODIMP OnCompleted(LONG value, BSTR text) noexcept override;

 private:
  friend class comlib::ComObject<PhaseCallbacks>;
  friend HRESULT detail::MakeCallbacks<PhaseCallbacks>(IZelAsynchRestoreCallbacks*, RestoreState&, unsigned,
                                                       comlib::ComPtr<IZelAsynchRestoreCallbacks>*) noexcept;
  PhaseCallbacks() noexcept = default;
  ~PhaseCallbacks() override = default;

  comlib::ComPtr<IZelAsynchRestoreCallbacks> inner_;
  RestoreState* state_ = nullptr;
  unsigned serial_ = 0;
};

// Handed to one StartRestore of one service part.
class PartCallbacks : public comlib::ComObject<PartCallbacks>, public IZelServiceRestoreCallbacks {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  static HRESULT Make(IZelServiceRestoreCallbacks* inner, RestoreState& state, unsigned serial,
                      comlib::ComPtr<IZelServiceRestoreCallbacks>* out) noexcept;

  STDMETHODIMP OnProgress(LONG value, BSTR text) noexcept override;
  STDMETHODIMP OnCompleted(LONG value, BSTR text) noexcept override;

 private:
  friend class comlib::ComObject<PartCallbacks>;
  friend HRESULT detail::MakeCallbacks<PartCallbacks>(IZelServiceRestoreCallbacks*, RestoreState&, unsigned,
                                                      comlib::ComPtr<IZelServiceRestoreCallbacks>*) noexcept;
  PartCallbacks() noexcept = default;
  ~PartCallbacks() override = default;

  comlib::ComPtr<IZelServiceRestoreCallbacks> inner_;
  RestoreState* state_ = nullptr;
  unsigned serial_ = 0;
};

}  // namespace nodes
