#pragma once
// A strict stand-in for the restore session and the host's message sink:
// answers what the test sets, records what the page does, and fails the test
// on any call the page has no business making.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"

namespace nodes_test {

struct FakeNode {
  std::wstring name;
  bool primary;
};

// The id the fake gives the node at index i.
ObjectId NodeId(size_t i);

struct RestoreInfo {
  comlib::Bstr systemName, description, serverPath, serverPath2, systemPath, workplacePath,
      backupName, backupPath;
};

class FakeSession : public IRestoreModule {
 public:
  // Answers.
  std::vector<FakeNode> nodes;
  std::vector<std::wstring> serviceNames;
  LONG createNewSystemId = 0;
  RestoreInfo restoreInfo;
  RestoreInfo newRestoreInfo;

  // The mapped pairs (old, new), as a session keeps them.
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
  // Every call, by method name, in order.
  std::vector<std::string> calls;
  ULONG refs = 1;

  size_t CallCount(const std::string& name) const;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }
  // IDispatch: the page talks to the session through its vtable only.
  STDMETHODIMP GetTypeInfoCount(UINT*) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override;
  // IRestoreModule
  STDMETHODIMP SetRestoreNode(ULONG, BSTR*, ObjectId*, LONG*, ULONG, ServiceNodeStructure*, BSTR,
                              BSTR) noexcept override;
  STDMETHODIMP SetRestoreInfo(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR) noexcept override;
  STDMETHODIMP GetRestoreNode(ULONG* count1, BSTR** names, ULONG* count2,
                              ServiceNodeStructure** services, BSTR* backupName,
                              BSTR* backupPath) noexcept override;
  STDMETHODIMP GetRestoreNodeNames(ULONG* count, BSTR** names, ULONG* count2,
                                   ObjectId** ids) noexcept override;
  STDMETHODIMP GetRestoreInfo(BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*,
                              BSTR*) noexcept override;
  STDMETHODIMP AddMappedNodes(BSTR oldName, BSTR newName) noexcept override;
  STDMETHODIMP GetAddedMappedNodes(ULONG* count, BSTR** oldNames, ULONG* count2,
                                   BSTR** newNames) noexcept override;
  STDMETHODIMP GetNewRestoreInfo(BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*,
                                 BSTR*) noexcept override;
  STDMETHODIMP SetNewRestoreInfo(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR) noexcept override;
  STDMETHODIMP SetBackupDependency(ULONG, BSTR*) noexcept override;
  STDMETHODIMP GetBackupDependency(ULONG*, BSTR**) noexcept override;
  STDMETHODIMP SetSystemPaths(BSTR, BSTR, BSTR, BSTR) noexcept override;
  STDMETHODIMP GetSystemPaths(BSTR*, BSTR*, BSTR*, BSTR*) noexcept override;
  STDMETHODIMP SetNewSystemName(BSTR) noexcept override;
  STDMETHODIMP GetNewSystemName(BSTR*) noexcept override;
  STDMETHODIMP IsPrimaryNode(ObjectId* id, LONG* primary) noexcept override;
  STDMETHODIMP get_CreateNewSystemId(LONG* value) noexcept override;
  STDMETHODIMP put_CreateNewSystemId(LONG) noexcept override;
  STDMETHODIMP ClearMappedNodes() noexcept override;

 private:
  HRESULT Unexpected(const char* name);
  HRESULT WriteInfo(const RestoreInfo& info, BSTR* out[8]);
};

struct SinkLine {
  LONG kind;
  std::wstring text;
  bool null;
};

class FakeSink : public IZelCWMessageSink {
 public:
  std::vector<SinkLine> lines;
  ULONG refs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }
  STDMETHODIMP AddMessage(LONG kind, BSTR text) noexcept override;
};

}  // namespace nodes_test
