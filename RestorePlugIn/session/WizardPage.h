#pragma once
// What the three wizard pages share as pages of the host's wizard: the slots
// of the host's page interfaces, the session taken from the object list, the
// message sink, texts handed out one way, and one ValidatePage that reports
// every failure inside a page the same way. A page writes only what differs.
//
// A page derives from WizardPage<Self>, lists QITABENT(Self, IPropertyPage),
// QITABENT(Self, IZelCWPropertyPageAdaption) and
// QITABENT(Self, IZelCWPageDescription) among its interfaces, and handles
// its window in OnMessage.
#include <windows.h>
#include <ocidl.h>

#include <string>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/ComObject.h"
#include "comlib/ComPtr.h"
#include "comlib/PropertyPage.h"

namespace session {

struct WizardPageInfo {
  comlib::PageResources resources;
  const CLSID* next;  // the page that follows; null on the last page
  UINT description;   // string-table id of the page description
};

class WizardPageCore : public comlib::PropertyPageCore,
                       public IZelCWPropertyPageAdaption,
                       public IZelCWPageDescription {
 public:
  explicit WizardPageCore(const WizardPageInfo& info) noexcept
      : PropertyPageCore(info.resources), info_(info) {}

  // IZelCWPropertyPageAdaption
  STDMETHODIMP Reserved3(LONG value) noexcept final;
  STDMETHODIMP GetNextPage(CLSID* pageClsid) noexcept final;
  STDMETHODIMP GetSummary(BSTR* summary) noexcept final;
  // A page that fails inside, out of memory included, keeps the host on the
  // page (ok 0) and answers E_UNEXPECTED.
  STDMETHODIMP ValidatePage(LONG* ok) noexcept final;
  STDMETHODIMP GetValidationMessage(BSTR* message) noexcept final;
  // Always answers 1; a page that cannot load itself answers E_UNEXPECTED.
  STDMETHODIMP ActivatePage(LONG* result) noexcept final;
  STDMETHODIMP Reserved9(LONG* result) noexcept final;
  STDMETHODIMP SetMessageSink(IUnknown* sink) noexcept final;

  // IZelCWPageDescription
  STDMETHODIMP GetPageDescription(BSTR* description) noexcept final;

 protected:
  // Checks the input and commits it to the session; *ok false keeps the host
  // on the page, with ValidationMessage as the reason.
  virtual HRESULT Validate(bool* ok) = 0;
  // The reason of the last refusal; empty when there is none.
  virtual std::wstring ValidationMessage() const = 0;
  // Runs on every entry into the page.
  virtual HRESULT OnActivatePage() { return S_OK; }
  // Pages without a summary answer an empty text.
  virtual HRESULT Summary(std::wstring* text);

  // The first object of the host's list as the session, asked again when
  // the list's first object changed; the held one while the list is empty;
  // null when the first object is no session.
  IRestoreModule* Session() noexcept;
  // kind 0: progress line, kind 2: error line. Lines without a sink are lost.
  void AddMessage(LONG kind, BSTR text) noexcept;
  IZelCWMessageSink* Sink() const noexcept { return sink_.Get(); }

 private:
  WizardPageInfo info_;
  comlib::ComPtr<IRestoreModule> session_;
  comlib::ComPtr<IZelCWMessageSink> sink_;
};

template <class Derived>
class WizardPage : public comlib::ComObject<Derived>, public WizardPageCore {
 protected:
  explicit WizardPage(const WizardPageInfo& info) noexcept : WizardPageCore(info) {}
};

}  // namespace session
