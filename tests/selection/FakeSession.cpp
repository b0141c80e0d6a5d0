#include "FakeSession.h"

#include <gtest/gtest.h>

namespace selection_test {

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

HRESULT FakeSession::Unexpected(const char* name) noexcept {
  ADD_FAILURE() << "page 1 called the session's " << name;
  calls.push_back(name);
  return E_NOTIMPL;
}

HRESULT FakeSession::Answer(const char* name) noexcept {
  calls.push_back(name);
  return failing == name ? failure : S_OK;
}

STDMETHODIMP FakeSession::SetRestoreNode(ULONG nodeCount, BSTR* names, ObjectId* ids, LONG* primary,
                                         ULONG serviceCount, ServiceNodeStructure* records,
                                         BSTR name, BSTR path) noexcept {
  nodeNames.clear();
  nodeIds.clear();
  primaryFlags.clear();
  services.clear();
  nodeArraysNull = !names && !ids && !primary;
  serviceArrayNull = !records;
  for (ULONG i = 0; i < nodeCount; ++i) {
    nodeNames.push_back(Text::From(names[i]));
    nodeIds.push_back(ids[i]);
    primaryFlags.push_back(primary[i]);
  }
  for (ULONG s = 0; s < serviceCount; ++s) {
    const ServiceNodeStructure& r = records[s];
    Service copy{Text::From(r.name).text, r.serviceId, r.helperId, Text::From(r.backupPath).text,
                 r.checked, {}, r.arguments.byteCount, r.arguments.data, r.backupItem};
    for (ULONG i = 0; i < r.count; ++i) {
      const BackupItem& item = r.backupItem[i];
      copy.items.push_back({Text::From(item.name).text, Text::From(item.description).text,
                            Text::From(item.details).text,
                            std::vector<unsigned char>(item.identifier, item.identifier + 32),
                            item.value});
    }
    services.push_back(std::move(copy));
  }
  backupName = Text::From(name);
  backupPath = Text::From(path);
  return Answer("SetRestoreNode");
}

STDMETHODIMP FakeSession::SetRestoreInfo(BSTR a, BSTR b, BSTR c, BSTR d, BSTR e, BSTR f) noexcept {
  restoreInfo.clear();
  for (BSTR s : {a, b, c, d, e, f}) restoreInfo.push_back(Text::From(s));
  return Answer("SetRestoreInfo");
}

STDMETHODIMP FakeSession::SetBackupDependency(ULONG count, BSTR* paths) noexcept {
  dependency.clear();
  dependencyNull = !paths;
  for (ULONG i = 0; i < count; ++i) dependency.push_back(Text::From(paths[i]));
  return Answer("SetBackupDependency");
}

}  // namespace selection_test
