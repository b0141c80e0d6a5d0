#pragma once
// Strict fakes of the framework's restore services and class objects
// registered in this process so that CoCreateInstance finds the fakes; the
// session and the message sink are the shared ones.
#include <windows.h>
#include <msxml2.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeSession.h"
#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "catalogue/ObjectIds.h"
#include "comlib/Bstr.h"
#include "nodes/RestoreStart.h"
#include "nodes/RestoreState.h"

namespace restore_fakes {

using testing_support::FakeService;
using testing_support::FakeSession;
using testing_support::FakeSink;
using testing_support::SinkLine;

// Runs functions later on this thread, from a posted message, as a framework
// that reports from its own window would.
void Post(std::function<void()> work);

// Minimal reference counting for the fakes; each lives as long as the test
// holds it.
template <class Self, class... Interfaces>
class Fake : public Interfaces... {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(static_cast<typename First<Interfaces...>::type*>(this));
    } else {
      (TryInterface<Interfaces>(riid, ppv), ...);
    }
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }
  ULONG refs = 1;

 private:
  template <class T, class...>
  struct First { using type = T; };
  template <class I>
  void TryInterface(REFIID riid, void** ppv) {
    if (!*ppv && ::IsEqualIID(riid, __uuidof(I))) *ppv = static_cast<I*>(this);
  }
};

// Fails the test on a call the page must not make.
HRESULT Unexpected(const char* what);

// What the page's callbacks do, on the page's restore state. Two objects:
// both interfaces name their final slot OnCompleted with the same shape.
class FakePhaseCallbacks : public Fake<FakePhaseCallbacks, IZelAsynchRestoreCallbacks> {
 public:
  FakePhaseCallbacks(RestoreState& state, IZelCWMessageSink* sink) : state_(state), sink_(sink) {}
  STDMETHODIMP OnInfo(BSTR text) noexcept override { return sink_->AddMessage(0, text); }
  STDMETHODIMP OnWarning(BSTR text) noexcept override { return sink_->AddMessage(0, text); }
  STDMETHODIMP OnError(BSTR text) noexcept override { return sink_->AddMessage(0, text); }
  STDMETHODIMP OnCompleted(long value, BSTR text) noexcept override {
    sink_->AddMessage(0, text);
    state_.PhaseEnded(value, text);
    return S_OK;
  }

 private:
  RestoreState& state_;
  IZelCWMessageSink* sink_;
};

class FakeServiceCallbacks : public Fake<FakeServiceCallbacks, IZelServiceRestoreCallbacks> {
 public:
  FakeServiceCallbacks(RestoreState& state, IZelCWMessageSink* sink) : state_(state), sink_(sink) {}
  STDMETHODIMP OnProgress(long, BSTR text) noexcept override { return sink_->AddMessage(0, text); }
  STDMETHODIMP OnCompleted(long value, BSTR text) noexcept override {
    if (text) sink_->AddMessage(0, text);
    state_.PartEnded(value, text);
    return S_OK;
  }

 private:
  RestoreState& state_;
  IZelCWMessageSink* sink_;
};

// When the fake announces the end of a phase or part.
enum class Completion { Posted, InsideStart, Never };

class FakeSystemRestore : public Fake<FakeSystemRestore, IZelSystemRestore> {
 public:
  // Every call, in order, with its arguments in brackets.
  std::vector<std::wstring> calls;
  HRESULT loadStatus = S_OK;
  std::wstring warning, error;
  long ready = 1;
  HRESULT startStatus = S_OK;
  Completion completion = Completion::Posted;
  long endValue = 0;  // carried by the end of the first phase
  std::wstring hostClass = L"{0B5C2C65-1F6E-4C0B-9E3A-7C1E2B4A5D60}";
  // What LoadBackupFiles was given: "tag|SystemName" of each element ("|"
  // for a null element) and the directories.
  std::vector<std::wstring> elementTags;
  std::vector<std::wstring> directories;
  bool directoriesNull = false;
  comlib::ComPtr<IZelAsynchRestoreCallbacks> callbacks;
  ULONG_PTR mappingIds = 1, mappingNames = 1;  // the array pointers given, 0 for null
  std::vector<ObjectId> mappedIds;
  std::vector<std::wstring> mappedNames;

  size_t Count(const std::wstring& call) const;

  STDMETHODIMP Start() noexcept override;
  STDMETHODIMP LoadBackupFiles(long elementCount, IXMLDOMElement** elements, long directoryCount,
                               BSTR* dirs) noexcept override;
  STDMETHODIMP SetSystemName(BSTR name) noexcept override;
  STDMETHODIMP GetServiceHostClass(BSTR* text) noexcept override;
  STDMETHODIMP SetSystemId(BSTR id) noexcept override;
  STDMETHODIMP SetServerDataPath(BSTR path) noexcept override;
  STDMETHODIMP SetSystemDataPath(BSTR path) noexcept override;
  STDMETHODIMP SetWorkplaceDataPath(BSTR path) noexcept override;
  STDMETHODIMP IsReadyToRestore(long* flag) noexcept override;
  STDMETHODIMP GetWarning(BSTR* text) noexcept override;
  STDMETHODIMP GetError(BSTR* text) noexcept override;
  STDMETHODIMP SetCallbacks(IZelAsynchRestoreCallbacks* cb) noexcept override;
  STDMETHODIMP Finish() noexcept override;
  STDMETHODIMP SetNodeMappings(long idCount, ObjectId* ids, long nameCount, BSTR* names) noexcept override;
  STDMETHODIMP SetServerData2Path(BSTR path) noexcept override;
#define RESTORE_FAKE_RESERVED(n) \
  STDMETHODIMP Reserved##n() noexcept override { return Unexpected("IZelSystemRestore::Reserved" #n); }
  RESTORE_FAKE_RESERVED(3) RESTORE_FAKE_RESERVED(4) RESTORE_FAKE_RESERVED(5) RESTORE_FAKE_RESERVED(6)
  RESTORE_FAKE_RESERVED(8) RESTORE_FAKE_RESERVED(10) RESTORE_FAKE_RESERVED(12) RESTORE_FAKE_RESERVED(15)
  RESTORE_FAKE_RESERVED(17) RESTORE_FAKE_RESERVED(19) RESTORE_FAKE_RESERVED(24) RESTORE_FAKE_RESERVED(28)
#undef RESTORE_FAKE_RESERVED
};

class FakeBinding : public Fake<FakeBinding, IZelServiceBinding> {
 public:
  HRESULT bindStatus = S_OK;
  std::vector<CLSID> bound;  // the class id of every Bind
  STDMETHODIMP Bind(REFCLSID host, REFGUID id1, REFGUID id2, long reserved, long flags) noexcept override;
#define BINDING_FAKE_RESERVED(n) \
  STDMETHODIMP Reserved##n() noexcept override { return Unexpected("IZelServiceBinding::Reserved" #n); }
  BINDING_FAKE_RESERVED(3) BINDING_FAKE_RESERVED(4) BINDING_FAKE_RESERVED(5) BINDING_FAKE_RESERVED(6)
  BINDING_FAKE_RESERVED(7) BINDING_FAKE_RESERVED(8) BINDING_FAKE_RESERVED(9) BINDING_FAKE_RESERVED(10)
  BINDING_FAKE_RESERVED(11) BINDING_FAKE_RESERVED(12) BINDING_FAKE_RESERVED(13) BINDING_FAKE_RESERVED(14)
  BINDING_FAKE_RESERVED(15) BINDING_FAKE_RESERVED(16) BINDING_FAKE_RESERVED(17) BINDING_FAKE_RESERVED(18)
  BINDING_FAKE_RESERVED(19) BINDING_FAKE_RESERVED(20) BINDING_FAKE_RESERVED(21) BINDING_FAKE_RESERVED(22)
  BINDING_FAKE_RESERVED(23) BINDING_FAKE_RESERVED(24) BINDING_FAKE_RESERVED(25) BINDING_FAKE_RESERVED(26)
  BINDING_FAKE_RESERVED(27) BINDING_FAKE_RESERVED(28) BINDING_FAKE_RESERVED(29) BINDING_FAKE_RESERVED(30)
  BINDING_FAKE_RESERVED(31) BINDING_FAKE_RESERVED(32) BINDING_FAKE_RESERVED(33)
#undef BINDING_FAKE_RESERVED
};

// One helper object for all services of a test; it records what it is told.
class FakeHelper : public Fake<FakeHelper, IServiceRestoreHelper> {
 public:
  std::vector<std::wstring> initialized;  // backup paths
  int failuresLeft = 0;                   // StartRestore fails this often first
  int starts = 0;
  Completion completion = Completion::Posted;
  // The value each start's end carries (by the number of the start); 0
  // when unset.
  std::function<long(int start)> endValue;
  // When set, a successful start calls it (with the number of this start)
  // instead of announcing the end as completion says.
  std::function<void(int start, IZelServiceRestoreCallbacks* callbacks)> onStart;
  IZelServiceBinding* lastBinding = nullptr;

  STDMETHODIMP Initialize(IZelServiceBinding* binding, BSTR backupPath) noexcept override;
  STDMETHODIMP GetArgumentEditor(CLSID*) noexcept override { return Unexpected("GetArgumentEditor"); }
  STDMETHODIMP GetBackupItems(ULONG*, BackupItem**) noexcept override { return Unexpected("GetBackupItems"); }
  STDMETHODIMP StartRestore(ULONG count, BackupItem* items, ServiceArguments arguments,
                            IZelServiceRestoreCallbacks* callbacks) noexcept override;
  STDMETHODIMP Reserved4() noexcept override { return Unexpected("IServiceRestoreHelper::Reserved4"); }
  STDMETHODIMP Reserved5() noexcept override { return Unexpected("IServiceRestoreHelper::Reserved5"); }
  STDMETHODIMP Reserved6() noexcept override { return Unexpected("IServiceRestoreHelper::Reserved6"); }
};

class FakeSettings : public Fake<FakeSettings, IZelSystemSettings> {
 public:
  HRESULT status = S_OK;
  std::wstring keyPath;
  bool nullAnswer = false;
  STDMETHODIMP GetSetting(const ObjectId* scope, BSTR name, BSTR* value) noexcept override;
};

// A class object registered in this process for the life of the owner.
// create answers each CreateInstance; null makes creation fail.
class RegisteredClass {
 public:
  RegisteredClass(const CLSID& clsid, std::function<IUnknown*()> create);
  ~RegisteredClass();
  RegisteredClass(const RegisteredClass&) = delete;
  RegisteredClass& operator=(const RegisteredClass&) = delete;
  int created = 0;

 private:
  class Factory;
  Factory* factory_;
  DWORD cookie_ = 0;
};

// A GUID in the braced upper-case registry form.
inline std::wstring GuidText(const GUID& id) { return ObjectIdToText(FromGuid(id)); }

// Apply over a fake session, a recording sink and callbacks that behave as
// the page's. A test that points the state at fakes of its own resets the
// state before those go.
class ApplyHarness {
 public:
  ApplyHarness() {
    session.Allow({"GetRestoreNode", "GetBackupDependency", "GetSystemPaths",
                   "get_CreateNewSystemId", "GetNewSystemName"});
    session.nodes = {{L"NODE1", true}};
    session.restoreInfo.backupName = L"Mon";
    session.restoreInfo.backupPath = L"C:\\Backups\\Mon\\BackupInfo.xml";
    session.dependency = {L"C:\\Backups\\Mon\\BackupInfo.xml"};
    session.systemDataPath = L"C:\\Restored\\Project";
    session.serverDataPath = L"C:\\Restored\\Server";
    session.serverData2Path = L"C:\\Restored\\Server2";
    session.workplaceDataPath = L"C:\\Restored\\Workplace";
    session.newSystemName = L"NEWSYS";
  }

  HRESULT Apply(bool* finished = nullptr) {
    RestoreStartInput in;
    in.session = &session;
    in.mappedNodeIds = &mappedIds;
    in.mappedNewNames = &mappedNames;
    in.sink = &sink;
    in.phaseCallbacks = &phase;
    in.serviceCallbacks = &service;
    return ApplyRestore(state, in, finished);
  }

  FakeSink sink;
  FakeSession session;
  std::vector<ObjectId> mappedIds;
  std::vector<comlib::Bstr> mappedNames;
  RestoreState state;
  FakePhaseCallbacks phase{state, &sink};
  FakeServiceCallbacks service{state, &sink};
};

}  // namespace restore_fakes
