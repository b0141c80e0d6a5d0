#pragma once
// A strict stand-in for the session: records the calls page 1 makes and
// copies what it is given; any other call fails the test.
#include <windows.h>

#include <string>
#include <vector>

#include "RestorePlugIn.h"

namespace selection_test {

struct Item {
  std::wstring name, description, details;
  std::vector<unsigned char> identifier;
  LONG value;
};

struct Service {
  std::wstring name;
  ObjectId serviceId;
  ObjectId helperId;
  std::wstring backupPath;
  unsigned checked;
  std::vector<Item> items;
  ULONG argumentBytes;
  unsigned char* argumentData;
  const BackupItem* itemArray;  // the caller's array, to see it released
};

// A text as received: null stays distinguishable from empty.
struct Text {
  bool null = true;
  std::wstring text;
  static Text From(BSTR s) { return s ? Text{false, std::wstring(s, ::SysStringLen(s))} : Text{}; }
  bool operator==(const wchar_t* other) const { return !null && text == other; }
};

class FakeSession : public IRestoreModule {
 public:
  FakeSession() = default;
  virtual ~FakeSession() = default;

  // What was received.
  std::vector<std::string> calls;
  std::vector<Text> nodeNames;
  std::vector<ObjectId> nodeIds;
  std::vector<LONG> primaryFlags;
  bool nodeArraysNull = false;     // all three node arrays were null
  bool serviceArrayNull = false;
  std::vector<Service> services;
  Text backupName, backupPath;
  std::vector<Text> restoreInfo;   // the six texts of SetRestoreInfo
  std::vector<Text> dependency;
  bool dependencyNull = false;

  // The method that answers failure, by name; empty: none.
  std::string failing;
  HRESULT failure = E_FAIL;
  ULONG refs = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --refs; }

  STDMETHODIMP GetTypeInfoCount(UINT*) noexcept override { return Unexpected("GetTypeInfoCount"); }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return Unexpected("GetTypeInfo"); }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return Unexpected("GetIDsOfNames");
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override {
    return Unexpected("Invoke");
  }

  STDMETHODIMP SetRestoreNode(ULONG nodeCount, BSTR* names, ObjectId* ids, LONG* primary,
                              ULONG serviceCount, ServiceNodeStructure* records, BSTR name,
                              BSTR path) noexcept override;
  STDMETHODIMP SetRestoreInfo(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR) noexcept override;
  STDMETHODIMP GetRestoreNode(ULONG*, BSTR**, ULONG*, ServiceNodeStructure**, BSTR*, BSTR*) noexcept override {
    return Unexpected("GetRestoreNode");
  }
  STDMETHODIMP GetRestoreNodeNames(ULONG*, BSTR**, ULONG*, ObjectId**) noexcept override {
    return Unexpected("GetRestoreNodeNames");
  }
  STDMETHODIMP GetRestoreInfo(BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*) noexcept override {
    return Unexpected("GetRestoreInfo");
  }
  STDMETHODIMP AddMappedNodes(BSTR, BSTR) noexcept override { return Unexpected("AddMappedNodes"); }
  STDMETHODIMP GetAddedMappedNodes(ULONG*, BSTR**, ULONG*, BSTR**) noexcept override {
    return Unexpected("GetAddedMappedNodes");
  }
  STDMETHODIMP GetNewRestoreInfo(BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*, BSTR*) noexcept override {
    return Unexpected("GetNewRestoreInfo");
  }
  STDMETHODIMP SetNewRestoreInfo(BSTR, BSTR, BSTR, BSTR, BSTR, BSTR) noexcept override {
    return Unexpected("SetNewRestoreInfo");
  }
  STDMETHODIMP SetBackupDependency(ULONG count, BSTR* paths) noexcept override;
  STDMETHODIMP GetBackupDependency(ULONG*, BSTR**) noexcept override { return Unexpected("GetBackupDependency"); }
  STDMETHODIMP SetSystemPaths(BSTR, BSTR, BSTR, BSTR) noexcept override { return Unexpected("SetSystemPaths"); }
  STDMETHODIMP GetSystemPaths(BSTR*, BSTR*, BSTR*, BSTR*) noexcept override { return Unexpected("GetSystemPaths"); }
  STDMETHODIMP SetNewSystemName(BSTR) noexcept override { return Unexpected("SetNewSystemName"); }
  STDMETHODIMP GetNewSystemName(BSTR*) noexcept override { return Unexpected("GetNewSystemName"); }
  STDMETHODIMP IsPrimaryNode(ObjectId*, LONG*) noexcept override { return Unexpected("IsPrimaryNode"); }
  STDMETHODIMP get_CreateNewSystemId(LONG*) noexcept override { return Unexpected("get_CreateNewSystemId"); }
  STDMETHODIMP put_CreateNewSystemId(LONG) noexcept override { return Unexpected("put_CreateNewSystemId"); }
  STDMETHODIMP ClearMappedNodes() noexcept override { return Unexpected("ClearMappedNodes"); }

 private:
  HRESULT Unexpected(const char* name) noexcept;
  HRESULT Answer(const char* name) noexcept;
};

}  // namespace selection_test
