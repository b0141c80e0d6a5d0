#pragma once
// A strict stand-in for the restore session and a recording message sink.
// The session records every call with its arguments, answers what the test
// put into it, fails the running test on any method the test did not allow,
// and checks at its end that every reference it gave out came back.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"

namespace testing_support {

// A node the session answers; its id is NodeId(index).
struct FakeNode {
  std::wstring name;
  bool primary;
};
ObjectId NodeId(size_t index);

// A service the session answers, with one item of value 7.
struct FakeService {
  std::wstring name;
  GUID helper = {};
  bool checked = true;
};

// The eight texts of GetRestoreInfo and GetNewRestoreInfo.
struct RestoreInfo {
  comlib::Bstr systemName, description, serverPath, serverPath2, systemPath, workplacePath,
      backupName, backupPath;
};

// A text as received: null stays distinguishable from empty.
struct Text {
  bool null = true;
  std::wstring text;
  static Text From(BSTR s) { return s ? Text{false, std::wstring(s, ::SysStringLen(s))} : Text{}; }
  bool operator==(const wchar_t* other) const { return !null && text == other; }
};

// Deep copies of what the setters were last given.
struct SentItem {
  std::wstring name, description, details;
  std::vector<unsigned char> identifier;
  LONG value;
};
struct SentService {
  std::wstring name;
  ObjectId serviceId;
  ObjectId helperId;
  std::wstring backupPath;
  unsigned checked;
  std::vector<SentItem> items;
  ULONG argumentBytes;
  unsigned char* argumentData;
  const BackupItem* itemArray;  // the caller's array, to see it released
};
struct Received {
  std::vector<Text> nodeNames;
  std::vector<ObjectId> nodeIds;
  std::vector<LONG> primaryFlags;
  bool nodeArraysNull = false;  // all three node arrays were null
  bool serviceArrayNull = false;
  std::vector<SentService> services;
  Text backupName, backupPath;
  std::vector<Text> restoreInfo;  // the six texts of SetRestoreInfo
  std::vector<Text> dependency;
  bool dependencyNull = false;
};

class FakeSession : public IRestoreModule {
 public:
  struct Call {
    std::string method;
    std::vector<comlib::Bstr> args;  // texts as passed, numbers as decimal texts
  };

  FakeSession() = default;
  virtual ~FakeSession();
  FakeSession(const FakeSession&) = delete;
  FakeSession& operator=(const FakeSession&) = delete;

  // Methods the test expects; any other call is a test failure.
  void Allow(std::initializer_list<const char*> methods);
  // The calls made to one method, in order.
  std::vector<Call> CallsTo(const std::string& method) const;
  size_t CallCount(const std::string& method) const { return CallsTo(method).size(); }
  // The methods called, in order.
  std::vector<std::string> Methods() const;

  std::vector<Call> calls;
  Received received;
  // Status answered by a method; S_OK when not set. Getters fill their out
  // parameters whatever the status.
  std::map<std::string, HRESULT> results;

  // Answers; arrays and texts are handed out as fresh copies.
  std::vector<FakeNode> nodes;        // GetRestoreNode, GetRestoreNodeNames, IsPrimaryNode
  std::vector<FakeService> services;  // GetRestoreNode
  RestoreInfo restoreInfo;            // GetRestoreInfo; backup name and path of GetRestoreNode
  RestoreInfo newRestoreInfo;         // GetNewRestoreInfo
  comlib::Bstr systemDataPath, serverDataPath, serverData2Path, workplaceDataPath;  // GetSystemPaths
  comlib::Bstr newSystemName;              // GetNewSystemName
  std::vector<std::wstring> dependency;    // GetBackupDependency
  LONG createNewSystemId = 0;
  // The mapped pairs (old, new), kept as a session keeps them.
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
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

  // IRestoreModule
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

  std::set<std::string> allowed_;
};

struct SinkLine {
  LONG kind;
  std::wstring text;
  bool null = false;  // the text was a null BSTR
  bool operator==(const SinkLine& o) const {
    return kind == o.kind && text == o.text && null == o.null;
  }
};

// The host's message sink: records every line; checks at its end that every
// reference it gave out came back.
class FakeSink : public IZelCWMessageSink {
 public:
  FakeSink() = default;
  virtual ~FakeSink();
  FakeSink(const FakeSink&) = delete;
  FakeSink& operator=(const FakeSink&) = delete;

  std::vector<SinkLine> lines;
  ULONG refs = 1;
  // The texts of kind-0 lines only.
  std::vector<std::wstring> Progress() const;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }
  STDMETHODIMP AddMessage(LONG kind, BSTR text) noexcept override;
};

}  // namespace testing_support
