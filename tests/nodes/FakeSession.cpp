#include "FakeSession.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace nodes_test {
namespace {

BSTR* NewTexts(const std::vector<std::wstring>& texts) {
  auto* out = static_cast<BSTR*>(::CoTaskMemAlloc((texts.size() + 1) * sizeof(BSTR)));
  for (size_t i = 0; i < texts.size(); ++i)
    out[i] = ::SysAllocStringLen(texts[i].data(), static_cast<UINT>(texts[i].size()));
  return out;
}

}  // namespace

ObjectId NodeId(size_t i) {
  ObjectId id = {};
  id.Data1 = 0x1000 + static_cast<unsigned long>(i);
  id.Data4[7] = 0x5A;
  return id;
}

size_t FakeSession::CallCount(const std::string& name) const {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), name));
}

HRESULT FakeSession::Unexpected(const char* name) {
  calls.push_back(name);
  ADD_FAILURE() << "the page called the session's " << name;
  return E_NOTIMPL;
}

STDMETHODIMP FakeSession::QueryInterface(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IDispatch) ||
      ::IsEqualIID(riid, IID_IRestoreModule)) {
    *ppv = static_cast<IRestoreModule*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP FakeSession::GetTypeInfoCount(UINT*) noexcept { return Unexpected("GetTypeInfoCount"); }
STDMETHODIMP FakeSession::GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept {
  return Unexpected("GetTypeInfo");
}
STDMETHODIMP FakeSession::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return Unexpected("GetIDsOfNames");
}
STDMETHODIMP FakeSession::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                 UINT*) noexcept {
  return Unexpected("Invoke");
}
STDMETHODIMP FakeSession::SetRestoreNode(ULONG, BSTR*, ObjectId*, LONG*, ULONG,
                                         ServiceNodeStructure*, BSTR, BSTR) noexcept {
  return Unexpected("SetRestoreNode");
}
STDMETHODIMP FakeSession::SetRestoreInfo(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR) noexcept {
  return Unexpected("SetRestoreInfo");
}

STDMETHODIMP FakeSession::GetRestoreNode(ULONG* count1, BSTR** names, ULONG* count2,
                                         ServiceNodeStructure** services, BSTR* backupName,
                                         BSTR* backupPath) noexcept {
  calls.push_back("GetRestoreNode");
  std::vector<std::wstring> nodeNames;
  for (const FakeNode& node : nodes) nodeNames.push_back(node.name);
  *count1 = static_cast<ULONG>(nodeNames.size());
  *names = NewTexts(nodeNames);
  *count2 = static_cast<ULONG>(serviceNames.size());
  auto* records = static_cast<ServiceNodeStructure*>(
      ::CoTaskMemAlloc((serviceNames.size() + 1) * sizeof(ServiceNodeStructure)));
  for (size_t i = 0; i < serviceNames.size(); ++i) {
    ServiceNodeStructure& record = records[i];
    record = ServiceNodeStructure{};
    record.name = ::SysAllocString(serviceNames[i].c_str());
    record.backupPath = ::SysAllocString(L"C:\\Backups\\Service");
    record.checked = 1;
    // One item with its own texts, so a leak or a double release would show.
    record.count = 1;
    record.backupItem = static_cast<BackupItem*>(::CoTaskMemAlloc(sizeof(BackupItem)));
    record.backupItem[0] = BackupItem{};
    record.backupItem[0].name = ::SysAllocString(L"item");
    record.backupItem[0].description = ::SysAllocString(L"description");
    record.backupItem[0].details = ::SysAllocString(L"details");
  }
  *services = records;
  *backupName = restoreInfo.backupName.CopyOut();
  *backupPath = restoreInfo.backupPath.CopyOut();
  return S_OK;
}

STDMETHODIMP FakeSession::GetRestoreNodeNames(ULONG* count, BSTR** names, ULONG* count2,
                                              ObjectId** ids) noexcept {
  calls.push_back("GetRestoreNodeNames");
  std::vector<std::wstring> nodeNames;
  for (const FakeNode& node : nodes) nodeNames.push_back(node.name);
  *count = static_cast<ULONG>(nodes.size());
  *names = NewTexts(nodeNames);
  *count2 = static_cast<ULONG>(nodes.size());
  *ids = static_cast<ObjectId*>(::CoTaskMemAlloc((nodes.size() + 1) * sizeof(ObjectId)));
  for (size_t i = 0; i < nodes.size(); ++i) (*ids)[i] = NodeId(i);
  return S_OK;
}

HRESULT FakeSession::WriteInfo(const RestoreInfo& info, BSTR* out[8]) {
  const comlib::Bstr* fields[8] = {&info.systemName,  &info.description,   &info.serverPath,
                                   &info.serverPath2, &info.systemPath,    &info.workplacePath,
                                   &info.backupName,  &info.backupPath};
  for (int i = 0; i < 8; ++i) *out[i] = fields[i]->CopyOut();
  return S_OK;
}

STDMETHODIMP FakeSession::GetRestoreInfo(BSTR* a, BSTR* b, BSTR* c, BSTR* d, BSTR* e, BSTR* f,
                                         BSTR* g, BSTR* h) noexcept {
  calls.push_back("GetRestoreInfo");
  BSTR* out[8] = {a, b, c, d, e, f, g, h};
  return WriteInfo(restoreInfo, out);
}

STDMETHODIMP FakeSession::GetNewRestoreInfo(BSTR* a, BSTR* b, BSTR* c, BSTR* d, BSTR* e, BSTR* f,
                                            BSTR* g, BSTR* h) noexcept {
  calls.push_back("GetNewRestoreInfo");
  BSTR* out[8] = {a, b, c, d, e, f, g, h};
  return WriteInfo(newRestoreInfo, out);
}

STDMETHODIMP FakeSession::AddMappedNodes(BSTR oldName, BSTR newName) noexcept {
  calls.push_back("AddMappedNodes");
  EXPECT_NE(nullptr, oldName);
  EXPECT_NE(nullptr, newName);
  pairs.emplace_back(oldName ? std::wstring(oldName, ::SysStringLen(oldName)) : L"",
                     newName ? std::wstring(newName, ::SysStringLen(newName)) : L"");
  return S_OK;
}

STDMETHODIMP FakeSession::GetAddedMappedNodes(ULONG* count, BSTR** oldNames, ULONG* count2,
                                              BSTR** newNames) noexcept {
  calls.push_back("GetAddedMappedNodes");
  std::vector<std::wstring> olds, news;
  for (const auto& pair : pairs) {
    olds.push_back(pair.first);
    news.push_back(pair.second);
  }
  *count = static_cast<ULONG>(olds.size());
  *oldNames = NewTexts(olds);
  *count2 = static_cast<ULONG>(news.size());
  *newNames = NewTexts(news);
  return S_OK;
}

STDMETHODIMP FakeSession::SetNewRestoreInfo(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR) noexcept {
  return Unexpected("SetNewRestoreInfo");
}
STDMETHODIMP FakeSession::SetBackupDependency(ULONG, BSTR*) noexcept {
  return Unexpected("SetBackupDependency");
}
STDMETHODIMP FakeSession::GetBackupDependency(ULONG*, BSTR**) noexcept {
  return Unexpected("GetBackupDependency");
}
STDMETHODIMP FakeSession::SetSystemPaths(BSTR, BSTR, BSTR, BSTR) noexcept {
  return Unexpected("SetSystemPaths");
}
STDMETHODIMP FakeSession::GetSystemPaths(BSTR*, BSTR*, BSTR*, BSTR*) noexcept {
  return Unexpected("GetSystemPaths");
}
STDMETHODIMP FakeSession::SetNewSystemName(BSTR) noexcept { return Unexpected("SetNewSystemName"); }
STDMETHODIMP FakeSession::GetNewSystemName(BSTR*) noexcept { return Unexpected("GetNewSystemName"); }

STDMETHODIMP FakeSession::IsPrimaryNode(ObjectId* id, LONG* primary) noexcept {
  calls.push_back("IsPrimaryNode");
  *primary = 0;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const ObjectId known = NodeId(i);
    if (nodes[i].primary && ::memcmp(&known, id, sizeof known) == 0) *primary = 1;
  }
  return S_OK;
}

STDMETHODIMP FakeSession::get_CreateNewSystemId(LONG* value) noexcept {
  calls.push_back("get_CreateNewSystemId");
  *value = createNewSystemId;
  return S_OK;
}

STDMETHODIMP FakeSession::put_CreateNewSystemId(LONG) noexcept {
  return Unexpected("put_CreateNewSystemId");
}

STDMETHODIMP FakeSession::ClearMappedNodes() noexcept {
  calls.push_back("ClearMappedNodes");
  pairs.clear();
  return S_OK;
}

STDMETHODIMP FakeSink::QueryInterface(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IZelCWMessageSink)) {
    *ppv = static_cast<IZelCWMessageSink*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP FakeSink::AddMessage(LONG kind, BSTR text) noexcept {
  lines.push_back({kind, text ? std::wstring(text, ::SysStringLen(text)) : L"", text == nullptr});
  return S_OK;
}

}  // namespace nodes_test
