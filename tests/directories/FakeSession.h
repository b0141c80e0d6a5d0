#pragma once
// A strict stand-in for the restore session. It records every call with its
// arguments, answers what the test put into it, and fails the running test
// on any method the test did not allow.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "RestorePlugIn.h"
#include "comlib/Bstr.h"

namespace testing_support {

class FakeSession : public IRestoreModule {
 public:
  struct Call {
    std::string method;
    std::vector<comlib::Bstr> args;  // texts as passed, numbers as decimal texts
  };

  FakeSession() = default;
  virtual ~FakeSession() = default;
  FakeSession(const FakeSession&) = delete;
  FakeSession& operator=(const FakeSession&) = delete;

  // Methods the test expects; any other call is a test failure.
  void Allow(std::initializer_list<const char*> methods);
  // The calls made to one method, in order.
  std::vector<Call> CallsTo(const std::string& method) const;

  std::vector<Call> calls;
  // Status answered by a method; S_OK when not set.
  std::map<std::string, HRESULT> results;
  // Answers of the text getters (fresh copies are handed out).
  comlib::Bstr systemName, newSystemName, systemDescription;
  comlib::Bstr systemDataPath, serverDataPath, serverData2Path, workplaceDataPath;
  comlib::Bstr backupName, backupPath;
  LONG createNewSystemId = 0;
  ULONG refs = 1;

  // IUnknown: answers IUnknown, IDispatch and IRestoreModule.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }

  // IDispatch: the module's code calls the session through its vtable only.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override;

  // IRestoreModule. Array getters answer empty arrays.
  STDMETHODIMP SetRestoreNode(ULONG nodeCount, BSTR* names, ObjectId* ids, LONG* primary,
                              ULONG serviceCount, ServiceNodeStructure* services, BSTR backupName,
                              BSTR backupPath) noexcept override;
  STDMETHODIMP SetRestoreInfo(BSTR systemName, BSTR description, BSTR server, BSTR server2,
                              BSTR system, BSTR workplace) noexcept override;
  STDMETHODIMP GetRestoreNode(ULONG* count1, BSTR** names, ULONG* count2,
                              ServiceNodeStructure** services, BSTR* backupName,
                              BSTR* backupPath) noexcept override;
  STDMETHODIMP GetRestoreNodeNames(ULONG* count, BSTR** names, ULONG* count2,
                                   ObjectId** ids) noexcept override;
  STDMETHODIMP GetRestoreInfo(BSTR* systemName, BSTR* description, BSTR* server, BSTR* server2,
                              BSTR* system, BSTR* workplace, BSTR* backupName,
                              BSTR* backupPath) noexcept override;
  STDMETHODIMP AddMappedNodes(BSTR oldName, BSTR newName) noexcept override;
  STDMETHODIMP GetAddedMappedNodes(ULONG* count, BSTR** oldNames, ULONG* count2,
                                   BSTR** newNames) noexcept override;
  STDMETHODIMP GetNewRestoreInfo(BSTR* systemName, BSTR* description, BSTR* server,
                                 BSTR* server2, BSTR* system, BSTR* workplace, BSTR* backupName,
                                 BSTR* backupPath) noexcept override;
  STDMETHODIMP SetNewRestoreInfo(BSTR systemName, BSTR description, BSTR server, BSTR server2,
                                 BSTR system, BSTR workplace) noexcept override;
  STDMETHODIMP SetBackupDependency(ULONG count, BSTR* paths) noexcept override;
  STDMETHODIMP GetBackupDependency(ULONG* count, BSTR** paths) noexcept override;
  STDMETHODIMP SetSystemPaths(BSTR system, BSTR server, BSTR server2,
                              BSTR workplace) noexcept override;
  STDMETHODIMP GetSystemPaths(BSTR* system, BSTR* server, BSTR* server2,
                              BSTR* workplace) noexcept override;
  STDMETHODIMP SetNewSystemName(BSTR name) noexcept override;
  STDMETHODIMP GetNewSystemName(BSTR* name) noexcept override;
  STDMETHODIMP IsPrimaryNode(ObjectId* id, LONG* primary) noexcept override;
  STDMETHODIMP get_CreateNewSystemId(LONG* value) noexcept override;
  STDMETHODIMP put_CreateNewSystemId(LONG value) noexcept override;
  STDMETHODIMP ClearMappedNodes() noexcept override;

 private:
  // Records the call; the status to answer, or E_UNEXPECTED when not allowed.
  HRESULT Enter(const char* method, std::vector<comlib::Bstr> args = {});
  // The restore information readers differ only in the system name.
  void PutInfo(const comlib::Bstr& nameValue, BSTR* name, BSTR* description, BSTR* server,
               BSTR* server2, BSTR* system, BSTR* workplace, BSTR* bname, BSTR* bpath) const;

  std::set<std::string> allowed_;
};

}  // namespace testing_support
