#pragma once
// The standard property-page behaviour shared by the wizard pages: the object
// list, the page site, a child dialog created on Activate and destroyed on
// Deactivate, page information from the template and the string table.
//
// A page derives from PropertyPage<Self>, lists QITABENT(Self, IPropertyPage)
// among its interfaces and handles its window in OnMessage.
#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "ComObject.h"
#include "ComPtr.h"
#include "Dialog.h"

namespace comlib {

struct PageResources {
  UINT dialog;
  UINT title;
  UINT helpFile;
  UINT docString;
};

// Size of a dialog template in pixels, as the dialog manager would make it.
SIZE DialogTemplateSize(UINT templateId) noexcept;
// Puts the focus on the page's first tab stop, as a dialog does on opening,
// unless it is inside the page already or the page's window is not active.
// For a host entering a page with a person at it: a tree that gets the focus
// makes its first item current.
void FocusFirstControl(HWND page) noexcept;
// A fresh task-allocator copy of a text; null when out of memory.
LPOLESTR CoTaskCopy(const std::wstring& text) noexcept;

class PropertyPageCore : public IPropertyPage, public Dialog {
 public:
  explicit PropertyPageCore(const PageResources& resources) noexcept : resources_(resources) {}

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) noexcept override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) noexcept override;
  STDMETHODIMP Deactivate() noexcept override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) noexcept override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) noexcept override;
  STDMETHODIMP Show(UINT command) noexcept override;
  STDMETHODIMP Move(LPCRECT rect) noexcept override;
  STDMETHODIMP IsPageDirty() noexcept override;
  STDMETHODIMP Apply() noexcept override;
  STDMETHODIMP Help(LPCOLESTR helpDir) noexcept override;
  STDMETHODIMP TranslateAccelerator(MSG* msg) noexcept override;

 protected:
  // Page 2 starts the restore here; the others only clear the dirty flag.
  virtual HRESULT OnApply() noexcept;
  // The first object of the host's list (the session), or null.
  IUnknown* FirstObject() const noexcept { return objects_.empty() ? nullptr : objects_[0].Get(); }
  void SetDirty(bool dirty) noexcept;
  bool dirty() const noexcept { return dirty_; }

 private:
  PageResources resources_;
  ComPtr<IPropertyPageSite> site_;
  std::vector<ComPtr<IUnknown>> objects_;
  bool dirty_ = false;
};

template <class Derived>
class PropertyPage : public ComObject<Derived>, public PropertyPageCore {
 protected:
  explicit PropertyPage(const PageResources& resources) noexcept : PropertyPageCore(resources) {}
};

}  // namespace comlib
