#include "FakeSession.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {

comlib::Bstr Number(long long value) { return comlib::Bstr(std::to_wstring(value)); }

void Put(BSTR* out, const comlib::Bstr& value) {
  if (out) *out = value.CopyOut();
}

template <class T>
void PutEmpty(ULONG* count, T** array) {
  if (count) *count = 0;
  if (array) *array = static_cast<T*>(::CoTaskMemAlloc(sizeof(T)));
}

}  // namespace

void FakeSession::Allow(std::initializer_list<const char*> methods) {
  for (const char* method : methods) allowed_.insert(method);
}

std::vector<FakeSession::Call> FakeSession::CallsTo(const std::string& method) const {
  std::vector<Call> found;
  for (const Call& call : calls)
    if (call.method == method) found.push_back(call);
  return found;
}

HRESULT FakeSession::Enter(const char* method, std::vector<comlib::Bstr> args) {
  calls.push_back(Call{method, std::move(args)});
  if (!allowed_.count(method)) {
    ADD_FAILURE() << "unexpected call to the session: " << method;
    return E_UNEXPECTED;
  }
  const auto result = results.find(method);
  return result == results.end() ? S_OK : result->second;
}

STDMETHODIMP FakeSession::QueryInterface(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IDispatch) ||
      ::IsEqualIID(riid, __uuidof(IRestoreModule))) {
    *ppv = static_cast<IRestoreModule*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP FakeSession::GetTypeInfoCount(UINT* count) noexcept {
  if (count) *count = 0;
  return Enter("GetTypeInfoCount");
}
STDMETHODIMP FakeSession::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info) *info = nullptr;
  return Enter("GetTypeInfo");
}
STDMETHODIMP FakeSession::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return Enter("GetIDsOfNames");
}
STDMETHODIMP FakeSession::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                 UINT*) noexcept {
  return Enter("Invoke");
}

STDMETHODIMP FakeSession::SetRestoreNode(ULONG nodeCount, BSTR*, ObjectId*, LONG*,
                                         ULONG serviceCount, ServiceNodeStructure*,
                                         BSTR name, BSTR path) noexcept {
  return Enter("SetRestoreNode", {Number(nodeCount), Number(serviceCount), comlib::Bstr::Copy(name),
                                  comlib::Bstr::Copy(path)});
}

STDMETHODIMP FakeSession::SetRestoreInfo(BSTR name, BSTR description, BSTR server, BSTR server2,
                                         BSTR system, BSTR workplace) noexcept {
  return Enter("SetRestoreInfo",
               {comlib::Bstr::Copy(name), comlib::Bstr::Copy(description),
                comlib::Bstr::Copy(server), comlib::Bstr::Copy(server2),
                comlib::Bstr::Copy(system), comlib::Bstr::Copy(workplace)});
}

STDMETHODIMP FakeSession::GetRestoreNode(ULONG* count1, BSTR** names, ULONG* count2,
                                         ServiceNodeStructure** services, BSTR* name,
                                         BSTR* path) noexcept {
  PutEmpty(count1, names);
  PutEmpty(count2, services);
  Put(name, backupName);
  Put(path, backupPath);
  return Enter("GetRestoreNode");
}

STDMETHODIMP FakeSession::GetRestoreNodeNames(ULONG* count, BSTR** names, ULONG* count2,
                                              ObjectId** ids) noexcept {
  PutEmpty(count, names);
  PutEmpty(count2, ids);
  return Enter("GetRestoreNodeNames");
}

void FakeSession::PutInfo(const comlib::Bstr& nameValue, BSTR* name, BSTR* description,
                          BSTR* server, BSTR* server2, BSTR* system, BSTR* workplace, BSTR* bname,
                          BSTR* bpath) const {
  Put(name, nameValue);
  Put(description, systemDescription);
  Put(server, serverDataPath);
  Put(server2, serverData2Path);
  Put(system, systemDataPath);
  Put(workplace, workplaceDataPath);
  Put(bname, backupName);
  Put(bpath, backupPath);
}

STDMETHODIMP FakeSession::GetRestoreInfo(BSTR* name, BSTR* description, BSTR* server,
                                         BSTR* server2, BSTR* system, BSTR* workplace,
                                         BSTR* bname, BSTR* bpath) noexcept {
  PutInfo(systemName, name, description, server, server2, system, workplace, bname, bpath);
  return Enter("GetRestoreInfo");
}

STDMETHODIMP FakeSession::AddMappedNodes(BSTR oldName, BSTR newName) noexcept {
  return Enter("AddMappedNodes", {comlib::Bstr::Copy(oldName), comlib::Bstr::Copy(newName)});
}

STDMETHODIMP FakeSession::GetAddedMappedNodes(ULONG* count, BSTR** oldNames, ULONG* count2,
                                              BSTR** newNames) noexcept {
  PutEmpty(count, oldNames);
  PutEmpty(count2, newNames);
  return Enter("GetAddedMappedNodes");
}

STDMETHODIMP FakeSession::GetNewRestoreInfo(BSTR* name, BSTR* description, BSTR* server,
                                            BSTR* server2, BSTR* system, BSTR* workplace,
                                            BSTR* bname, BSTR* bpath) noexcept {
  PutInfo(newSystemName, name, description, server, server2, system, workplace, bname, bpath);
  return Enter("GetNewRestoreInfo");
}

STDMETHODIMP FakeSession::SetNewRestoreInfo(BSTR name, BSTR description, BSTR server,
                                            BSTR server2, BSTR system, BSTR workplace) noexcept {
  return Enter("SetNewRestoreInfo",
               {comlib::Bstr::Copy(name), comlib::Bstr::Copy(description),
                comlib::Bstr::Copy(server), comlib::Bstr::Copy(server2),
                comlib::Bstr::Copy(system), comlib::Bstr::Copy(workplace)});
}

STDMETHODIMP FakeSession::SetBackupDependency(ULONG count, BSTR* paths) noexcept {
  std::vector<comlib::Bstr> args;
  for (ULONG i = 0; i < count && paths; ++i) args.push_back(comlib::Bstr::Copy(paths[i]));
  return Enter("SetBackupDependency", std::move(args));
}

STDMETHODIMP FakeSession::GetBackupDependency(ULONG* count, BSTR** paths) noexcept {
  PutEmpty(count, paths);
  return Enter("GetBackupDependency");
}

STDMETHODIMP FakeSession::SetSystemPaths(BSTR system, BSTR server, BSTR server2,
                                         BSTR workplace) noexcept {
  return Enter("SetSystemPaths", {comlib::Bstr::Copy(system), comlib::Bstr::Copy(server),
                                  comlib::Bstr::Copy(server2), comlib::Bstr::Copy(workplace)});
}

STDMETHODIMP FakeSession::GetSystemPaths(BSTR* system, BSTR* server, BSTR* server2,
                                         BSTR* workplace) noexcept {
  Put(system, systemDataPath);
  Put(server, serverDataPath);
  Put(server2, serverData2Path);
  Put(workplace, workplaceDataPath);
  return Enter("GetSystemPaths");
}

STDMETHODIMP FakeSession::SetNewSystemName(BSTR name) noexcept {
  return Enter("SetNewSystemName", {comlib::Bstr::Copy(name)});
}

STDMETHODIMP FakeSession::GetNewSystemName(BSTR* name) noexcept {
  Put(name, newSystemName);
  return Enter("GetNewSystemName");
}

STDMETHODIMP FakeSession::IsPrimaryNode(ObjectId*, LONG* primary) noexcept {
  if (primary) *primary = 0;
  return Enter("IsPrimaryNode");
}

STDMETHODIMP FakeSession::get_CreateNewSystemId(LONG* value) noexcept {
  if (value) *value = createNewSystemId;
  return Enter("get_CreateNewSystemId");
}

STDMETHODIMP FakeSession::put_CreateNewSystemId(LONG value) noexcept {
  return Enter("put_CreateNewSystemId", {Number(value)});
}

STDMETHODIMP FakeSession::ClearMappedNodes() noexcept { return Enter("ClearMappedNodes"); }

}  // namespace testing_support
