#pragma once
// The host's own component objects that the pages talk to: the message sink
// behind the progress view and the property-page site.
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>

#include "ZelFramework.h"
#include "comlib/ComObject.h"

namespace host {

class MessageSink final : public comlib::ComObject<MessageSink>, public IZelCWMessageSink {
 public:
  using Handler = std::function<void(long kind, const std::wstring& text)>;
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;
  void SetHandler(Handler handler) { handler_ = std::move(handler); }

  STDMETHODIMP AddMessage(LONG kind, BSTR text) noexcept override;

 private:
  friend class comlib::ComObject<MessageSink>;
  MessageSink() = default;
  ~MessageSink() override = default;
  Handler handler_;
};

class PageSite final : public comlib::ComObject<PageSite>, public IPropertyPageSite {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  STDMETHODIMP OnStatusChange(DWORD flags) noexcept override;
  STDMETHODIMP GetLocaleID(LCID* locale) noexcept override;
  STDMETHODIMP GetPageContainer(IUnknown** container) noexcept override;
  STDMETHODIMP TranslateAccelerator(MSG* msg) noexcept override;

 private:
  friend class comlib::ComObject<PageSite>;
  PageSite() = default;
  ~PageSite() override = default;
};

}  // namespace host
