#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include "ComFakes.h"
#include "comlib/Bstr.h"
#include "comlib/ClassFactory.h"
#include "comlib/ComObject.h"
#include "comlib/ComPtr.h"
#include "comlib/Module.h"

namespace {

const CLSID kTestClass = {0x1b0e1d55, 0x2f52, 0x4f36, {0x9a, 0x1e, 0x51, 0x3e, 0x0d, 0x5a, 0x77, 0x01}};

class CSample : public comlib::ComObject<CSample>, public IPersist, public IOleWindow {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept {
    static const QITAB table[] = {QITABENT(CSample, IPersist), QITABENT(CSample, IOleWindow),
                                  {nullptr, 0}};
    return table;
  }
  STDMETHODIMP GetClassID(CLSID* id) noexcept override {
    if (!id) return E_POINTER;
    *id = kTestClass;
    return S_OK;
  }
  STDMETHODIMP GetWindow(HWND* w) noexcept override {
    if (!w) return E_POINTER;
    *w = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
};

TEST(ComObject, QueryInterfaceFollowsTheTableAndIdentity) {
  const LONG before = comlib::Module::LockCount();
  comlib::ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, CSample::CreateInstance(nullptr, IID_IPersist, persist.PutVoid()));
  EXPECT_EQ(before + 1, comlib::Module::LockCount());

  comlib::ComPtr<IOleWindow> window;
  EXPECT_EQ(S_OK, persist.As(&window));
  EXPECT_TRUE(comlib::SameObject(persist.Get(), window.Get()));

  comlib::ComPtr<IDispatch> none;
  EXPECT_EQ(E_NOINTERFACE, persist.As(&none));
  EXPECT_EQ(nullptr, none.Get());
  EXPECT_EQ(E_POINTER, persist->QueryInterface(IID_IUnknown, nullptr));

  persist.Reset();
  window.Reset();
  EXPECT_EQ(before, comlib::Module::LockCount());
}

TEST(ComObject, AggregationDelegatesToTheOuterObject) {
  testing_support::AggregatingOuter outer;
  comlib::ComPtr<IUnknown> inner;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, CSample::CreateInstance(&outer, IID_IPersist, inner.PutVoid()));
  ASSERT_EQ(S_OK, CSample::CreateInstance(&outer, IID_IUnknown, inner.PutVoid()));
  outer.inner = inner.Get();

  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
  EXPECT_EQ(2u, outer.refs);  // the interface's AddRef went to the outer object
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  identity->Release();
  persist->Release();
  EXPECT_EQ(1u, outer.refs);
}

TEST(ClassFactory, HandsOutOnlyTableClassesAndCountsLocks) {
  const comlib::ObjectEntry table[] = {{&kTestClass, &CSample::CreateInstance, 0}};
  comlib::ComPtr<IClassFactory> factory;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            comlib::GetClassObject(table, 1, IID_IPersist, IID_IClassFactory, factory.PutVoid()));
  ASSERT_EQ(S_OK, comlib::GetClassObject(table, 1, kTestClass, IID_IClassFactory, factory.PutVoid()));
  const LONG before = comlib::Module::LockCount();
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(before + 1, comlib::Module::LockCount());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  comlib::ComPtr<IPersist> object;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, object.PutVoid()));
  CLSID id;
  EXPECT_EQ(S_OK, object->GetClassID(&id));
  EXPECT_TRUE(::IsEqualCLSID(kTestClass, id));
}

TEST(Bstr, KeepsNullApartFromEmptyAndCopiesDeeply) {
  comlib::Bstr null;
  comlib::Bstr empty(L"");
  EXPECT_TRUE(null.IsNull());
  EXPECT_FALSE(empty.IsNull());
  EXPECT_NE(null, empty);
  comlib::Bstr a(L"a\0b", 3);
  comlib::Bstr b = a;
  EXPECT_NE(a.get(), b.get());
  EXPECT_EQ(a, b);
  EXPECT_EQ(3u, b.Length());
  comlib::Bstr c = comlib::Bstr::Copy(nullptr);
  EXPECT_TRUE(c.IsNull());
}

}  // namespace
