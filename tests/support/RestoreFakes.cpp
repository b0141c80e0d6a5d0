#include "RestoreFakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "comlib/Bstr.h"

namespace restore_fakes {
namespace {

std::deque<std::function<void()>> g_posted;

LRESULT CALLBACK PostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP && !g_posted.empty()) {
    std::function<void()> work = std::move(g_posted.front());
    g_posted.pop_front();
    work();
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND PostWindow() {
  static HWND window = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PostWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RestoreFakesPost";
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
  }();
  return window;
}

BSTR Fresh(const std::wstring& s) { return ::SysAllocStringLen(s.c_str(), static_cast<UINT>(s.size())); }
std::wstring Text(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : L"(null)"; }

}  // namespace

void Post(std::function<void()> work) {
  g_posted.push_back(std::move(work));
  ::PostMessageW(PostWindow(), WM_APP, 0, 0);
}

HRESULT Unexpected(const char* what) {
  ADD_FAILURE() << "unexpected call: " << what;
  return E_NOTIMPL;
}

// --- system restore ------------------------------------------------------

size_t FakeSystemRestore::Count(const std::wstring& call) const {
  size_t n = 0;
  for (const std::wstring& c : calls)
    if (c == call || c.rfind(call + L"(", 0) == 0) ++n;
  return n;
}

STDMETHODIMP FakeSystemRestore::Start() noexcept {
  calls.push_back(L"Start");
  if (startStatus != S_OK) return startStatus;
  comlib::ComPtr<IZelAsynchRestoreCallbacks> cb = callbacks;
  const long value = endValue;
  if (completion == Completion::InsideStart && cb) {
    cb->OnCompleted(value, comlib::Bstr(L"Phase one done").get());
  } else if (completion == Completion::Posted && cb) {
    Post([cb] { cb->OnInfo(comlib::Bstr(L"Restoring system").get()); });
    Post([cb, value] { cb->OnCompleted(value, comlib::Bstr(L"Phase one done").get()); });
  }
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::LoadBackupFiles(long elementCount, IXMLDOMElement** elements,
                                                long directoryCount, BSTR* dirs) noexcept {
  calls.push_back(L"LoadBackupFiles");
  EXPECT_EQ(elementCount, directoryCount);
  elementTags.clear();
  directories.clear();
  directoriesNull = dirs == nullptr;
  for (long i = 0; i < elementCount; ++i) {
    comlib::Bstr tag;
    std::wstring name;
    if (elements[i]) {
      elements[i]->get_tagName(tag.put());
      VARIANT value;
      ::VariantInit(&value);
      if (elements[i]->getAttribute(comlib::Bstr(L"SystemName").get(), &value) == S_OK &&
          value.vt == VT_BSTR)
        name = Text(value.bstrVal);
      ::VariantClear(&value);
    }
    elementTags.push_back(tag.str() + L"|" + name);
  }
  for (long i = 0; dirs && i < directoryCount; ++i) directories.push_back(Text(dirs[i]));
  return loadStatus;
}

STDMETHODIMP FakeSystemRestore::SetSystemName(BSTR name) noexcept {
  calls.push_back(L"SetSystemName(" + Text(name) + L")");
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::GetServiceHostClass(BSTR* text) noexcept {
  calls.push_back(L"GetServiceHostClass");
  *text = Fresh(hostClass);
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetSystemId(BSTR id) noexcept {
  calls.push_back(L"SetSystemId(" + Text(id) + L")");
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetServerDataPath(BSTR path) noexcept {
  calls.push_back(L"SetServerDataPath(" + Text(path) + L")");
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetSystemDataPath(BSTR path) noexcept {
  calls.push_back(L"SetSystemDataPath(" + Text(path) + L")");
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetWorkplaceDataPath(BSTR path) noexcept {
  calls.push_back(L"SetWorkplaceDataPath(" + Text(path) + L")");
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::IsReadyToRestore(long* flag) noexcept {
  calls.push_back(L"IsReadyToRestore");
  *flag = ready;
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::GetWarning(BSTR* text) noexcept {
  calls.push_back(L"GetWarning");
  *text = warning.empty() ? nullptr : Fresh(warning);
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::GetError(BSTR* text) noexcept {
  calls.push_back(L"GetError");
  *text = Fresh(error);  // empty, not null: both count as no error
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetCallbacks(IZelAsynchRestoreCallbacks* cb) noexcept {
  calls.push_back(L"SetCallbacks");
  callbacks = comlib::ComPtr<IZelAsynchRestoreCallbacks>(cb);
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::Finish() noexcept {
  calls.push_back(L"Finish");
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetNodeMappings(long idCount, ObjectId* ids, long nameCount,
                                                BSTR* names) noexcept {
  calls.push_back(L"SetNodeMappings(" + std::to_wstring(idCount) + L"," +
                  std::to_wstring(nameCount) + L")");
  mappingIds = reinterpret_cast<ULONG_PTR>(ids);
  mappingNames = reinterpret_cast<ULONG_PTR>(names);
  mappedIds.assign(ids, ids + (ids ? idCount : 0));
  mappedNames.clear();
  for (long i = 0; names && i < nameCount; ++i) mappedNames.push_back(Text(names[i]));
  return S_OK;
}

STDMETHODIMP FakeSystemRestore::SetServerData2Path(BSTR path) noexcept {
  calls.push_back(L"SetServerData2Path(" + Text(path) + L")");
  return S_OK;
}

// --- binding and helper ----------------------------------------------------

STDMETHODIMP FakeBinding::Bind(REFCLSID host, REFGUID id1, REFGUID id2, long reserved,
                               long flags) noexcept {
  EXPECT_TRUE(::IsEqualGUID(id1, GUID_NULL));
  EXPECT_TRUE(::IsEqualGUID(id2, GUID_NULL));
  EXPECT_EQ(0, reserved);
  EXPECT_EQ(1, flags);
  bound.push_back(host);
  return bindStatus;
}

STDMETHODIMP FakeHelper::Initialize(IZelServiceBinding* binding, BSTR backupPath) noexcept {
  lastBinding = binding;
  initialized.push_back(Text(backupPath));
  return S_OK;
}

STDMETHODIMP FakeHelper::StartRestore(ULONG count, BackupItem* items, ServiceArguments,
                                      IZelServiceRestoreCallbacks* callbacks) noexcept {
  ++starts;
  EXPECT_EQ(1u, count);
  if (count && items) {
    EXPECT_EQ(7, items[0].value);
  }
  if (failuresLeft > 0) {
    --failuresLeft;
    return E_FAIL;
  }
  if (onStart) {
    onStart(starts, callbacks);
    return S_OK;
  }
  comlib::ComPtr<IZelServiceRestoreCallbacks> cb(callbacks);
  const long value = endValue ? endValue(starts) : 0;
  if (completion == Completion::InsideStart) {
    cb->OnCompleted(value, comlib::Bstr(L"Part done").get());
  } else if (completion == Completion::Posted) {
    Post([cb] { cb->OnProgress(0, comlib::Bstr(L"Copying").get()); });
    Post([cb, value] { cb->OnCompleted(value, nullptr); });
  }
  return S_OK;
}

STDMETHODIMP FakeSettings::GetSetting(const ObjectId* scope, BSTR name, BSTR* value) noexcept {
  const ObjectId none = {};
  EXPECT_EQ(0, std::memcmp(scope, &none, sizeof none));
  EXPECT_EQ(L"$RegkeySystems$", Text(name));
  *value = nullAnswer ? nullptr : Fresh(keyPath);
  return status;
}

// --- class objects ---------------------------------------------------------

class RegisteredClass::Factory final : public Fake<Factory, IClassFactory> {
 public:
  Factory(RegisteredClass& owner, std::function<IUnknown*()> create)
      : owner_(owner), create_(std::move(create)) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override {
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IUnknown* object = create_ ? create_() : nullptr;
    if (!object) return E_FAIL;
    ++owner_.created;
    return object->QueryInterface(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  RegisteredClass& owner_;
  std::function<IUnknown*()> create_;
};

RegisteredClass::RegisteredClass(const CLSID& clsid, std::function<IUnknown*()> create)
    : factory_(new Factory(*this, std::move(create))) {
  const HRESULT hr = ::CoRegisterClassObject(clsid, static_cast<IClassFactory*>(factory_),
                                             CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  EXPECT_EQ(S_OK, hr);
}

RegisteredClass::~RegisteredClass() {
  if (cookie_) ::CoRevokeClassObject(cookie_);
  delete factory_;
}

}  // namespace restore_fakes
