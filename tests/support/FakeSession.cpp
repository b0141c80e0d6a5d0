#include "FakeSession.h"

#include <gtest/gtest.h>

#include <cstring>

namespace testing_support {

namespace {

comlib::Bstr Number(long long value) { return comlib::Bstr(std::to_wstring(value)); }

BSTR Fresh(const std::wstring& s) { return ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

void Put(BSTR* out, const comlib::Bstr& value) {
  if (out) *out = value.CopyOut();
}

// A task-allocator block for count elements, one more so that an empty
// array is still a block.
template <class T>
T* NewBlock(size_t count) {
  auto* block = static_cast<T*>(::CoTaskMemAlloc((count + 1) * sizeof(T)));
  std::memset(block, 0, (count + 1) * sizeof(T));
  return block;
}

void PutTexts(const std::vector<std::wstring>& texts, ULONG* count, BSTR** out) {
  if (count) *count = static_cast<ULONG>(texts.size());
  if (!out) return;
  *out = NewBlock<BSTR>(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) (*out)[i] = Fresh(texts[i]);
}

void PutInfo(const RestoreInfo& info, BSTR* out[8]) {
  const comlib::Bstr* fields[8] = {&info.systemName,  &info.description, &info.serverPath,
                                   &info.serverPath2, &info.systemPath,  &info.workplacePath,
                                   &info.backupName,  &info.backupPath};
  for (int i = 0; i < 8; ++i) Put(out[i], *fields[i]);
}

std::vector<comlib::Bstr> Copies(std::initializer_list<BSTR> texts) {
  std::vector<comlib::Bstr> copies;
  for (BSTR text : texts) copies.push_back(comlib::Bstr::Copy(text));
  return copies;
}

}  // namespace

ObjectId NodeId(size_t index) {
  ObjectId id = {};
  id.Data1 = 0x1000 + static_cast<unsigned long>(index);
  id.Data4[7] = 0x5A;
  return id;
}

FakeSession::~FakeSession() { EXPECT_EQ(1u, refs) << "the session was not released"; }

void FakeSession::Allow(std::initializer_list<const char*> methods) {
  for (const char* method : methods) allowed_.insert(method);
}

std::vector<FakeSession::Call> FakeSession::CallsTo(const std::string& method) const {
  std::vector<Call> found;
  for (const Call& call : calls)
    if (call.method == method) found.push_back(call);
  return found;
}

std::vector<std::string> FakeSession::Methods() const {
  std::vector<std::string> methods;
  for (const Call& call : calls) methods.push_back(call.method);
  return methods;
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

STDMETHODIMP FakeSession::SetRestoreNode(ULONG nodeCount, BSTR* names, ObjectId* ids,
                                         LONG* primary, ULONG serviceCount,
                                         ServiceNodeStructure* records, BSTR name,
                                         BSTR path) noexcept {
  Received& r = received;
  r.nodeNames.clear();
  r.nodeIds.clear();
  r.primaryFlags.clear();
  r.services.clear();
  r.nodeArraysNull = !names && !ids && !primary;
  r.serviceArrayNull = !records;
  for (ULONG i = 0; i < nodeCount; ++i) {
    r.nodeNames.push_back(Text::From(names[i]));
    r.nodeIds.push_back(ids[i]);
    r.primaryFlags.push_back(primary[i]);
  }
  for (ULONG s = 0; s < serviceCount; ++s) {
    const ServiceNodeStructure& from = records[s];
    SentService copy{Text::From(from.name).text, from.serviceId, from.helperId,
                     Text::From(from.backupPath).text, from.checked, {},
                     from.arguments.byteCount, from.arguments.data, from.backupItem};
    for (ULONG i = 0; i < from.count; ++i) {
      const BackupItem& item = from.backupItem[i];
      copy.items.push_back({Text::From(item.name).text, Text::From(item.description).text,
                            Text::From(item.details).text,
                            std::vector<unsigned char>(item.identifier, item.identifier + 32),
                            item.value});
    }
    r.services.push_back(std::move(copy));
  }
  r.backupName = Text::From(name);
  r.backupPath = Text::From(path);
  return Enter("SetRestoreNode", {Number(nodeCount), Number(serviceCount), comlib::Bstr::Copy(name),
                                  comlib::Bstr::Copy(path)});
}

STDMETHODIMP FakeSession::SetRestoreInfo(BSTR name, BSTR description, BSTR server, BSTR server2,
                                         BSTR system, BSTR workplace) noexcept {
  received.restoreInfo.clear();
  for (BSTR s : {name, description, server, server2, system, workplace})
    received.restoreInfo.push_back(Text::From(s));
  return Enter("SetRestoreInfo", Copies({name, description, server, server2, system, workplace}));
}

STDMETHODIMP FakeSession::GetRestoreNode(ULONG* count1, BSTR** names, ULONG* count2,
                                         ServiceNodeStructure** records, BSTR* name,
                                         BSTR* path) noexcept {
  std::vector<std::wstring> nodeNames;
  for (const FakeNode& node : nodes) nodeNames.push_back(node.name);
  PutTexts(nodeNames, count1, names);
  if (count2) *count2 = static_cast<ULONG>(services.size());
  if (records) {
    *records = NewBlock<ServiceNodeStructure>(services.size());
    for (size_t i = 0; i < services.size(); ++i) {
      ServiceNodeStructure& record = (*records)[i];
      record.name = Fresh(services[i].name);
      std::memcpy(&record.helperId, &services[i].helper, sizeof record.helperId);
      record.backupPath = Fresh(L"C:\\Backups\\Service");
      record.checked = services[i].checked ? 1 : 0;
      // One item with its own texts, so a leak or a double release would show.
      record.count = 1;
      record.backupItem = NewBlock<BackupItem>(1);
      record.backupItem[0].name = Fresh(L"item");
      record.backupItem[0].description = Fresh(L"description");
      record.backupItem[0].details = Fresh(L"details");
      record.backupItem[0].value = 7;
    }
  }
  Put(name, restoreInfo.backupName);
  Put(path, restoreInfo.backupPath);
  return Enter("GetRestoreNode");
}

STDMETHODIMP FakeSession::GetRestoreNodeNames(ULONG* count, BSTR** names, ULONG* count2,
                                              ObjectId** ids) noexcept {
  std::vector<std::wstring> nodeNames;
  for (const FakeNode& node : nodes) nodeNames.push_back(node.name);
  PutTexts(nodeNames, count, names);
  if (count2) *count2 = static_cast<ULONG>(nodes.size());
  if (ids) {
    *ids = NewBlock<ObjectId>(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) (*ids)[i] = NodeId(i);
  }
  return Enter("GetRestoreNodeNames");
}

STDMETHODIMP FakeSession::GetRestoreInfo(BSTR* a, BSTR* b, BSTR* c, BSTR* d, BSTR* e, BSTR* f,
                                         BSTR* g, BSTR* h) noexcept {
  BSTR* out[8] = {a, b, c, d, e, f, g, h};
  PutInfo(restoreInfo, out);
  return Enter("GetRestoreInfo");
}

STDMETHODIMP FakeSession::AddMappedNodes(BSTR oldName, BSTR newName) noexcept {
  const HRESULT hr = Enter("AddMappedNodes", Copies({oldName, newName}));
  EXPECT_NE(nullptr, oldName);
  EXPECT_NE(nullptr, newName);
  if (SUCCEEDED(hr)) pairs.emplace_back(Text::From(oldName).text, Text::From(newName).text);
  return hr;
}

STDMETHODIMP FakeSession::GetAddedMappedNodes(ULONG* count, BSTR** oldNames, ULONG* count2,
                                              BSTR** newNames) noexcept {
  std::vector<std::wstring> olds, news;
  for (const auto& pair : pairs) {
    olds.push_back(pair.first);
    news.push_back(pair.second);
  }
  PutTexts(olds, count, oldNames);
  PutTexts(news, count2, newNames);
  return Enter("GetAddedMappedNodes");
}

STDMETHODIMP FakeSession::GetNewRestoreInfo(BSTR* a, BSTR* b, BSTR* c, BSTR* d, BSTR* e,
                                            BSTR* f, BSTR* g, BSTR* h) noexcept {
  BSTR* out[8] = {a, b, c, d, e, f, g, h};
  PutInfo(newRestoreInfo, out);
  return Enter("GetNewRestoreInfo");
}

STDMETHODIMP FakeSession::SetNewRestoreInfo(BSTR name, BSTR description, BSTR server,
                                            BSTR server2, BSTR system, BSTR workplace) noexcept {
  return Enter("SetNewRestoreInfo",
               Copies({name, description, server, server2, system, workplace}));
}

STDMETHODIMP FakeSession::SetBackupDependency(ULONG count, BSTR* paths) noexcept {
  received.dependency.clear();
  received.dependencyNull = !paths;
  std::vector<comlib::Bstr> args;
  for (ULONG i = 0; i < count && paths; ++i) {
    received.dependency.push_back(Text::From(paths[i]));
    args.push_back(comlib::Bstr::Copy(paths[i]));
  }
  return Enter("SetBackupDependency", std::move(args));
}

STDMETHODIMP FakeSession::GetBackupDependency(ULONG* count, BSTR** paths) noexcept {
  PutTexts(dependency, count, paths);
  return Enter("GetBackupDependency");
}

STDMETHODIMP FakeSession::SetSystemPaths(BSTR system, BSTR server, BSTR server2,
                                         BSTR workplace) noexcept {
  return Enter("SetSystemPaths", Copies({system, server, server2, workplace}));
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

STDMETHODIMP FakeSession::IsPrimaryNode(ObjectId* id, LONG* primary) noexcept {
  if (primary) {
    *primary = 0;
    for (size_t i = 0; id && i < nodes.size(); ++i) {
      const ObjectId known = NodeId(i);
      if (nodes[i].primary && std::memcmp(&known, id, sizeof known) == 0) *primary = 1;
    }
  }
  return Enter("IsPrimaryNode");
}

STDMETHODIMP FakeSession::get_CreateNewSystemId(LONG* value) noexcept {
  if (value) *value = createNewSystemId;
  return Enter("get_CreateNewSystemId");
}

STDMETHODIMP FakeSession::put_CreateNewSystemId(LONG value) noexcept {
  return Enter("put_CreateNewSystemId", {Number(value)});
}

STDMETHODIMP FakeSession::ClearMappedNodes() noexcept {
  const HRESULT hr = Enter("ClearMappedNodes");
  if (SUCCEEDED(hr)) pairs.clear();
  return hr;
}

// --- message sink ------------------------------------------------------------

FakeSink::~FakeSink() { EXPECT_EQ(1u, refs) << "the message sink was not released"; }

std::vector<std::wstring> FakeSink::Progress() const {
  std::vector<std::wstring> out;
  for (const SinkLine& line : lines)
    if (line.kind == 0) out.push_back(line.text);
  return out;
}

STDMETHODIMP FakeSink::QueryInterface(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, __uuidof(IZelCWMessageSink))) {
    *ppv = static_cast<IZelCWMessageSink*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP FakeSink::AddMessage(LONG kind, BSTR text) noexcept {
  lines.push_back({kind, Text::From(text).text, text == nullptr});
  return S_OK;
}

}  // namespace testing_support
