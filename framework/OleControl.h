#pragma once
// The base of the framework's windowed controls: just enough of the OLE
// control contract for a control container (atl.dll's AtlAxWin) to create,
// initialise, activate in place, size and close them. The derived class
// makes the control's window and keeps its state across window lifetimes.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "comlib/ComObject.h"
#include "comlib/ComPtr.h"

namespace zel {

template <class Derived>
class OleControl : public comlib::ComObject<Derived>,
                   public IOleObject,
                   public IOleInPlaceObject,
                   public IOleInPlaceActiveObject,
                   public IPersistStreamInit {
 public:
  // The window of an active control; null before activation and after closing.
  HWND window() const noexcept { return window_; }

  // IOleObject. The container keeps the control alive only through the site
  // reference the control holds, so the site is kept until it is replaced.
  STDMETHODIMP SetClientSite(IOleClientSite* site) noexcept override {
    site_ = comlib::ComPtr<IOleClientSite>(site);
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) noexcept override {
    return site_.CopyTo(site);
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP Close(DWORD) noexcept override { return InPlaceDeactivate(); }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) noexcept override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                      LPCRECT rect) noexcept override {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        if (site && !site_) site_ = comlib::ComPtr<IOleClientSite>(site);
        return Activate(parent, rect);
      case OLEIVERB_HIDE:
        if (window_) ::ShowWindow(window_, SW_HIDE);
        return S_OK;
      default:
        return OLEOBJ_S_INVALIDVERB;
    }
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) noexcept override {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP Update() noexcept override { return S_OK; }
  STDMETHODIMP IsUpToDate() noexcept override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) noexcept override { return GetClassID(clsid); }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) noexcept override {
    if (type) *type = nullptr;
    return OLE_S_USEREG;
  }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) noexcept override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) noexcept override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink*, DWORD* connection) noexcept override {
    if (connection) *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
  }
  STDMETHODIMP Unadvise(DWORD) noexcept override { return OLE_E_NOCONNECTION; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) noexcept override {
    if (advise) *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
  }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) noexcept override {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_SETCLIENTSITEFIRST | OLEMISC_CANTLINKINSIDE;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }

  // IOleWindow, shared by both in-place interfaces.
  STDMETHODIMP GetWindow(HWND* window) noexcept override {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

  // IOleInPlaceObject
  STDMETHODIMP InPlaceDeactivate() noexcept override {
    if (!window_) return S_OK;
    WindowClosing();
    HWND window = window_;
    window_ = nullptr;
    ::DestroyWindow(window);
    if (comlib::ComPtr<IOleInPlaceSite> inPlace = InPlaceSite()) inPlace->OnInPlaceDeactivate();
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() noexcept override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) noexcept override {
    if (!position) return E_POINTER;
    if (window_)
      ::MoveWindow(window_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() noexcept override { return INPLACE_E_NOTUNDOABLE; }

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG) noexcept override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }

  // IPersistStreamInit: the controls keep nothing in a stream; the container
  // calls InitNew on a fresh control.
  STDMETHODIMP GetClassID(CLSID* clsid) noexcept override {
    if (!clsid) return E_POINTER;
    *clsid = Derived::ClassId();
    return S_OK;
  }
  STDMETHODIMP IsDirty() noexcept override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) noexcept override { return S_OK; }
  STDMETHODIMP Save(LPSTREAM, BOOL) noexcept override { return S_OK; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) noexcept override {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
  }
  STDMETHODIMP InitNew() noexcept override { return S_OK; }

 protected:
  ~OleControl() override {
    if (window_) ::DestroyWindow(window_);
  }

  // The control's window as a visible child of parent over rect; null on failure.
  virtual HWND MakeWindow(HWND parent, const RECT& rect) noexcept = 0;
  // Called before the window goes: the last chance to read its state.
  virtual void WindowClosing() noexcept {}

 private:
  comlib::ComPtr<IOleInPlaceSite> InPlaceSite() const noexcept {
    comlib::ComPtr<IOleInPlaceSite> inPlace;
    if (site_) site_.As(&inPlace);
    return inPlace;
  }

  HRESULT Activate(HWND parent, LPCRECT rect) noexcept {
    if (window_) {
      ::ShowWindow(window_, SW_SHOW);
      return S_OK;
    }
    comlib::ComPtr<IOleInPlaceSite> inPlace = InPlaceSite();
    RECT position = {};
    if (inPlace) {
      if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
      inPlace->OnInPlaceActivate();
      if (!parent) inPlace->GetWindow(&parent);
      if (!rect) {
        comlib::ComPtr<IOleInPlaceFrame> frame;
        comlib::ComPtr<IOleInPlaceUIWindow> document;
        RECT clip = {};
        OLEINPLACEFRAMEINFO info = {sizeof info};
        if (SUCCEEDED(inPlace->GetWindowContext(frame.Put(), document.Put(), &position, &clip,
                                                &info)))
          rect = &position;
      }
    }
    if (!parent) return E_INVALIDARG;
    if (rect) position = *rect;
    else ::GetClientRect(parent, &position);
    window_ = MakeWindow(parent, position);
    if (!window_) {
      if (inPlace) inPlace->OnInPlaceDeactivate();
      return E_FAIL;
    }
    return S_OK;
  }

  comlib::ComPtr<IOleClientSite> site_;
  HWND window_ = nullptr;
  SIZEL extent_ = {};
};

// The interface rows every control's table starts with.
#define ZEL_OLE_CONTROL_QITAB(Class)                                   \
  QITABENT(Class, IOleObject), QITABENT(Class, IOleInPlaceObject),     \
      QITABENTMULTI(Class, IOleWindow, IOleInPlaceObject),             \
      QITABENT(Class, IOleInPlaceActiveObject),                        \
      QITABENT(Class, IPersistStreamInit),                             \
      QITABENTMULTI(Class, IPersist, IPersistStreamInit)

}  // namespace zel
