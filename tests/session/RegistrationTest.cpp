// DllRegisterServer, DllUnregisterServer, DllGetClassObject and
// DllCanUnloadNow of the built module, in the shared prefix's registry.
#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ComFakes.h"
#include "Components.h"
#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "comlib/Unique.h"

namespace {

using comlib::ComPtr;
using testing_support::BuildPath;
using testing_support::RegistryLock;
using testing_support::ServerDll;

const wchar_t kTypeLib[] = L"{E1BC6E6B-84B5-4163-82BD-63B551E154E7}";
const wchar_t kCategory[] = L"{1E773CDD-74BD-11D2-B922-00104BB07EE2}";

struct ClassRow {
  const wchar_t* name;
  const wchar_t* clsid;
  bool progIdAndTypeLib;  // ProgID, VersionIndependentProgID and TypeLib in the class key
  bool programmable;
  bool category;
};

const ClassRow kClasses[] = {
    {L"RestoreControl", L"{08426F3C-16CA-403A-9720-890D07A7B38A}", true, true, true},
    {L"RestoreModule", L"{ACA3A8C8-100D-4775-9B8A-507FF5356D65}", true, true, false},
    {L"RestorePropertyPage1", L"{ACE9D273-2905-4E72-8DC6-26E7AF913111}", false, true, false},
    {L"RestorePropertyPage2", L"{7B83F771-7EF5-46CA-887A-E8ED61A86D56}", true, false, false},
    {L"RestorePropertyPage3", L"{378B0BFD-D166-4835-8E79-FBC976D92C83}", true, false, false},
};

std::wstring ProgId(const ClassRow& row) { return std::wstring(L"RestorePlugIn.") + row.name + L".1"; }
std::wstring IndependentProgId(const ClassRow& row) { return std::wstring(L"RestorePlugIn.") + row.name; }
std::wstring ClassKey(const ClassRow& row) { return std::wstring(L"CLSID\\") + row.clsid; }

bool KeyExists(const std::wstring& path) {
  comlib::UniqueHkey key;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Every key and value under a key, one sorted line each:
// "sub\key = default", "sub\key: name = value"; the module path reads %MODULE%.
void Walk(HKEY key, const std::wstring& path, const std::wstring& module,
          std::vector<std::wstring>* lines) {
  std::wstring line = path.empty() ? L"." : path;
  wchar_t name[256];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = ARRAYSIZE(name), size = sizeof data - sizeof(wchar_t), type = 0;
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    data[size] = data[size + 1] = 0;
    std::wstring value = type == REG_SZ ? reinterpret_cast<const wchar_t*>(data)
                                        : L"<type " + std::to_wstring(type) + L">";
    if (::lstrcmpiW(value.c_str(), module.c_str()) == 0) value = L"%MODULE%";
    if (nameLength == 0)
      line += L" = " + value;
    else
      lines->push_back((path.empty() ? L"." : path) + L": " + name + L" = " + value);
  }
  lines->push_back(line);
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = ARRAYSIZE(name);
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    comlib::UniqueHkey sub;
    if (::RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) != ERROR_SUCCESS) continue;
    Walk(sub.get(), path.empty() ? name : path + L"\\" + name, module, lines);
  }
}

std::vector<std::wstring> Dump(const std::wstring& path, const std::wstring& module) {
  std::vector<std::wstring> lines;
  comlib::UniqueHkey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return {L"<missing>"};
  Walk(key.get(), L"", module, &lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::wstring> ExpectedClassKey(const ClassRow& row) {
  std::vector<std::wstring> lines = {
      std::wstring(L". = ") + row.name + L" Class",
      L"InprocServer32 = %MODULE%",
      L"InprocServer32: ThreadingModel = Apartment",
  };
  if (row.progIdAndTypeLib) {
    lines.push_back(L"ProgID = " + ProgId(row));
    lines.push_back(L"VersionIndependentProgID = " + IndependentProgId(row));
    lines.push_back(std::wstring(L"TypeLib = ") + kTypeLib);
  }
  if (row.programmable) lines.push_back(L"Programmable");
  if (row.category) {
    lines.push_back(L"Implemented Categories");
    lines.push_back(std::wstring(L"Implemented Categories\\") + kCategory);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::wstring> ExpectedProgIdKey(const ClassRow& row, bool independent) {
  std::vector<std::wstring> lines = {
      std::wstring(L". = ") + row.name + L" Class",
      std::wstring(L"CLSID = ") + row.clsid,
  };
  if (independent) lines.push_back(L"CurVer = " + ProgId(row));
  std::sort(lines.begin(), lines.end());
  return lines;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dll_.loaded()); }
  void TearDown() override { dll_.Unregister(); }

  void ExpectRegisteredKeys() {
    const std::wstring module = dll_.path();
    for (const ClassRow& row : kClasses) {
      SCOPED_TRACE(row.name);
      EXPECT_EQ(ExpectedClassKey(row), Dump(ClassKey(row), module));
      EXPECT_EQ(ExpectedProgIdKey(row, false), Dump(ProgId(row), module));
      EXPECT_EQ(ExpectedProgIdKey(row, true), Dump(IndependentProgId(row), module));
    }
  }

  RegistryLock lock_;
  ServerDll dll_{BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
};

TEST_F(RegistrationTest, WritesExactlyTheClassAndProgramIdKeys) {
  ASSERT_EQ(S_OK, dll_.Register());
  ExpectRegisteredKeys();

  CLSID page = CLSID_NULL;
  ASSERT_EQ(S_OK, ::CLSIDFromProgID(L"RestorePlugIn.RestorePropertyPage1", &page));
  EXPECT_TRUE(::IsEqualCLSID(CLSID_RestorePropertyPage1, page));
  EXPECT_FALSE(KeyExists(L"CLSID\\{1C48C463-4188-4374-8D85-6244098FD7D7}"));  // InfoSink

  ComPtr<ITypeLib> library;
  ASSERT_EQ(S_OK, ::LoadRegTypeLib(LIBID_RESTOREPLUGINLib, 1, 0, 0, library.Put()));
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IRestoreModule, info.Put()));
}

TEST_F(RegistrationTest, RegisteringAgainRewritesTheClassKeys) {
  ASSERT_EQ(S_OK, dll_.Register());
  for (const ClassRow& row : kClasses) {
    comlib::UniqueHkey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CLASSES_ROOT, ClassKey(row).c_str(), 0,
                                             KEY_ALL_ACCESS, key.put()));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(key.get(), L"Stray", nullptr, REG_SZ, L"x", 4));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(key.get(), nullptr, L"Stray", REG_SZ, L"x", 4));
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(key.get(), L"InprocServer32", nullptr, REG_SZ, L"old.dll", 16));
  }
  ASSERT_EQ(S_OK, dll_.Register());
  ExpectRegisteredKeys();
}

TEST_F(RegistrationTest, UnregisteringRemovesEverythingButTheClsidKey) {
  ASSERT_EQ(S_OK, dll_.Register());
  ASSERT_EQ(S_OK, dll_.Unregister());
  for (const ClassRow& row : kClasses) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(KeyExists(ClassKey(row)));
    EXPECT_FALSE(KeyExists(ProgId(row)));
    EXPECT_FALSE(KeyExists(IndependentProgId(row)));
  }
  EXPECT_FALSE(KeyExists(std::wstring(L"TypeLib\\") + kTypeLib));
  EXPECT_FALSE(KeyExists(L"Interface\\{6D7B8034-4303-4EB3-91FF-88571DC04271}"));
  EXPECT_TRUE(KeyExists(L"CLSID"));
}

// A 32-bit module belongs in the 32-bit registry view, where a 32-bit host
// looks for it; the x64 build in the 64-bit one. Neither may show in the
// other view.
TEST_F(RegistrationTest, WritesTheClassesIntoTheRegistryViewOfItsOwnKind) {
#ifdef _WIN64
  const REGSAM own = KEY_WOW64_64KEY, other = KEY_WOW64_32KEY;
#else
  const REGSAM own = KEY_WOW64_32KEY, other = KEY_WOW64_64KEY;
#endif
  ASSERT_EQ(S_OK, dll_.Register());
  const auto inView = [](const std::wstring& path, REGSAM view) {
    comlib::UniqueHkey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), 0,
                           KEY_READ | view, key.put()) == ERROR_SUCCESS;
  };
  for (const ClassRow& row : kClasses) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(inView(ClassKey(row), own));
    EXPECT_FALSE(inView(ClassKey(row), other));
  }
}

// A quote in the module's folder must not end the script's text early.
TEST_F(RegistrationTest, RecordsAModulePathWithAQuote) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"restore's copy";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"\\RestorePlugIn.dll";
  ASSERT_TRUE(::CopyFileW(dll_.path().c_str(), copy.c_str(), FALSE));
  {
    ServerDll quoted(copy);
    ASSERT_TRUE(quoted.loaded());
    ASSERT_EQ(S_OK, quoted.Register());
    std::vector<std::wstring> lines = Dump(ClassKey(kClasses[1]), quoted.path());
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), L"InprocServer32 = %MODULE%"));
    EXPECT_EQ(S_OK, quoted.Unregister());
  }
  ::DeleteFileW(copy.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

TEST_F(RegistrationTest, HandsOutClassObjectsOfTheObjectTableOnly) {
  const struct {
    const CLSID* clsid;
    HRESULT hr;
  } cases[] = {
      {&CLSID_RestoreControl, S_OK},
      {&CLSID_RestoreModule, S_OK},
      {&CLSID_RestorePropertyPage1, S_OK},
      {&CLSID_RestorePropertyPage2, S_OK},
      {&CLSID_RestorePropertyPage3, S_OK},
      {&CLSID_InfoSink, CLASS_E_CLASSNOTAVAILABLE},
      {&IID_IRestoreModule, CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const auto& c : cases) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(c.hr, dll_.GetClassObject(*c.clsid, IID_IClassFactory, factory.PutVoid()))
        << c.clsid->Data1;
    EXPECT_EQ(SUCCEEDED(c.hr), factory.Get() != nullptr);
  }
}

TEST_F(RegistrationTest, RegisteredClassesAreCreatableAndAggregatable) {
  ASSERT_EQ(S_OK, dll_.Register());
  const struct {
    const CLSID* clsid;
    const IID* iid;
  } classes[] = {
      {&CLSID_RestoreControl, &IID_IDispatch},
      {&CLSID_RestoreModule, &IID_IDispatch},
      {&CLSID_RestorePropertyPage1, &IID_IPropertyPage},
      {&CLSID_RestorePropertyPage2, &IID_IPropertyPage},
      {&CLSID_RestorePropertyPage3, &IID_IPropertyPage},
  };
  for (const auto& c : classes) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(S_OK, ::CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, *c.iid,
                                       object.PutVoid()));
    testing_support::AggregatingOuter outer;
    ComPtr<IUnknown> inner;
    EXPECT_EQ(S_OK, ::CoCreateInstance(*c.clsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                       inner.PutVoid()));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, ::CoCreateInstance(*c.clsid, &outer, CLSCTX_INPROC_SERVER,
                                                        *c.iid, object.PutVoid()));
  }
}

TEST_F(RegistrationTest, CanUnloadOnlyWithoutObjectsClassObjectsAndLocks) {
  ASSERT_EQ(S_OK, dll_.CanUnloadNow());
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, dll_.GetClassObject(CLSID_RestoreModule, IID_IClassFactory, factory.PutVoid()));
  EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());  // the class object's code lives in the module

  ComPtr<IRestoreModule> session;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IRestoreModule, session.PutVoid()));
  ASSERT_EQ(S_OK, factory->LockServer(TRUE));
  factory.Reset();
  EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());
  session.Reset();
  EXPECT_EQ(S_FALSE, dll_.CanUnloadNow());  // the server lock

  ASSERT_EQ(S_OK, dll_.GetClassObject(CLSID_RestoreModule, IID_IClassFactory, factory.PutVoid()));
  ASSERT_EQ(S_OK, factory->LockServer(FALSE));
  factory.Reset();
  EXPECT_EQ(S_OK, dll_.CanUnloadNow());
}

}  // namespace
