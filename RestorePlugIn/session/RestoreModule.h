#pragma once
// The session of one wizard run: everything the pages hand over to each other.
// It holds data only; every text and array is copied in and copied out.
#include <windows.h>

#include <vector>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"
#include "comlib/ComObject.h"
#include "comlib/Dispatch.h"
#include "session/TypeInfoSlots.h"
#include "records/OwnedRecords.h"
#include "records/Records.h"
#include "session/ServiceNodeRecords.h"

class CRestoreModule final : public comlib::ComObject<CRestoreModule>,
                             public comlib::DispatchImpl<IRestoreModule, kRestoreModuleSlot>,
                             public IZelCWPropertyPageContainerEx {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  // IRestoreModule
  STDMETHODIMP SetRestoreNode(ULONG nodeCount, BSTR* pNodeNames, ObjectId* pNodeIds,
                              LONG* pIsPrimaryNodes, ULONG serviceCount,
                              ServiceNodeStructure* pServiceNodes, BSTR backupName,
                              BSTR backupPath) noexcept override;
  STDMETHODIMP SetRestoreInfo(BSTR systemName, BSTR systemDescription, BSTR serverPath,
                              BSTR serverPath2, BSTR systemPath,
                              BSTR workplacePath) noexcept override;
  STDMETHODIMP GetRestoreNode(ULONG* count1, BSTR** ppNodeNames, ULONG* count2,
                              ServiceNodeStructure** ppServiceIds, BSTR* backupName,
                              BSTR* backupPath) noexcept override;
  STDMETHODIMP GetRestoreNodeNames(ULONG* count, BSTR** ppNodeNames, ULONG* count2,
                                   ObjectId** ppNodeIds) noexcept override;
  STDMETHODIMP GetRestoreInfo(BSTR* systemName, BSTR* systemDescription, BSTR* serverPath,
                              BSTR* serverPath2, BSTR* systemPath, BSTR* workplacePath,
                              BSTR* backupName, BSTR* backupPath) noexcept override;
  STDMETHODIMP AddMappedNodes(BSTR OldNodeName, BSTR NewNodeName) noexcept override;
  STDMETHODIMP GetAddedMappedNodes(ULONG* count, BSTR** ppOldNodeName, ULONG* count2,
                                   BSTR** ppNewNodeName) noexcept override;
  STDMETHODIMP GetNewRestoreInfo(BSTR* systemName, BSTR* systemDescription, BSTR* serverPath,
                                 BSTR* serverPath2, BSTR* systemPath, BSTR* workplacePath,
                                 BSTR* backupName, BSTR* backupPath) noexcept override;
  STDMETHODIMP SetNewRestoreInfo(BSTR systemName, BSTR systemDescription, BSTR serverPath,
                                 BSTR serverPath2, BSTR systemPath,
                                 BSTR workplacePath) noexcept override;
  STDMETHODIMP SetBackupDependency(ULONG count, BSTR* pBackupPath) noexcept override;
  STDMETHODIMP GetBackupDependency(ULONG* count, BSTR** ppBackupPath) noexcept override;
  STDMETHODIMP SetSystemPaths(BSTR systemDataPath, BSTR serverDataPath, BSTR serverData2Path,
                              BSTR workplaceDataPath) noexcept override;
  STDMETHODIMP GetSystemPaths(BSTR* pSystemDataPath, BSTR* pServerDataPath,
                              BSTR* pServerData2Path, BSTR* pWorkplaceDataPath) noexcept override;
  STDMETHODIMP SetNewSystemName(BSTR systemName) noexcept override;
  STDMETHODIMP GetNewSystemName(BSTR* pSystemName) noexcept override;
  STDMETHODIMP IsPrimaryNode(ObjectId* pNodeId, LONG* bIsPrimaryNode) noexcept override;
  STDMETHODIMP get_CreateNewSystemId(LONG* pbCreateNewSystemId) noexcept override;
  STDMETHODIMP put_CreateNewSystemId(LONG pbCreateNewSystemId) noexcept override;
  STDMETHODIMP ClearMappedNodes() noexcept override;

  // IZelCWPropertyPageContainer(Ex)
  STDMETHODIMP GetFirstPage(CLSID* pageClsid) noexcept override;
  STDMETHODIMP Reserved4(LONG* value) noexcept override;
  STDMETHODIMP Reserved5(LONG* value) noexcept override;
  STDMETHODIMP Reserved6(LONG* value) noexcept override;
  STDMETHODIMP Reserved7(LONG value1, LONG value2, LONG* result) noexcept override;

 private:
  friend class comlib::ComObject<CRestoreModule>;
  CRestoreModule() = default;
  ~CRestoreModule() override = default;

  struct Service {
    comlib::Bstr name;
    ObjectId serviceId = {};
    ObjectId helperId = {};
    comlib::Bstr backupPath;
    bool checked = true;
    std::vector<records::OwnedBackupItem> items;
    ServiceArguments arguments = {};  // the block is not ours
  };
  // What the restore information readers share.
  struct Info {
    comlib::Bstr description;
    comlib::Bstr serverDataPath;
    comlib::Bstr serverData2Path;
    comlib::Bstr systemDataPath;
    comlib::Bstr workplaceDataPath;
  };

  HRESULT SetInfo(comlib::Bstr* systemName, BSTR newName, BSTR description, BSTR serverPath,
                  BSTR serverPath2, BSTR systemPath, BSTR workplacePath) noexcept;
  HRESULT GetInfo(const comlib::Bstr& systemName, BSTR* systemNameOut, BSTR* description,
                  BSTR* serverPath, BSTR* serverPath2, BSTR* systemPath, BSTR* workplacePath,
                  BSTR* backupName, BSTR* backupPath) const noexcept;

  std::vector<comlib::Bstr> nodeNames_;
  std::vector<ObjectId> nodeIds_;
  std::vector<Service> services_;
  comlib::Bstr backupName_;
  comlib::Bstr backupPath_;
  comlib::Bstr backupSystemName_;
  comlib::Bstr newSystemName_;
  Info info_;
  std::vector<comlib::Bstr> backupDependency_;
  std::vector<ObjectId> primaryNodeIds_;  // each id once
  std::vector<comlib::Bstr> mappedOldNames_;
  std::vector<comlib::Bstr> mappedNewNames_;  // parallel to the old names
  bool createNewSystemId_ = false;
};
