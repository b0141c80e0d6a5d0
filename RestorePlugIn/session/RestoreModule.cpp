#include "session/RestoreModule.h"

#include <algorithm>

#include "comlib/OutArray.h"
#include "comlib/Result.h"

using comlib::Bstr;
using comlib::Guard;

namespace {

std::vector<Bstr> CopyTexts(ULONG count, const BSTR* texts) {
  std::vector<Bstr> copies;
  copies.reserve(count);
  for (ULONG i = 0; i < count; ++i) copies.push_back(Bstr::Copy(texts[i]));
  return copies;
}

comlib::BstrOutArray TextsOut(const std::vector<Bstr>& texts) {
  comlib::BstrOutArray out(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) out[i] = texts[i].CopyOut();
  return out;
}

}  // namespace

const QITAB* CRestoreModule::Interfaces() noexcept {
  static const QITAB table[] = {
      QITABENT(CRestoreModule, IRestoreModule),
      QITABENT(CRestoreModule, IDispatch),
      QITABENTMULTI(CRestoreModule, IZelCWPropertyPageContainer, IZelCWPropertyPageContainerEx),
      QITABENT(CRestoreModule, IZelCWPropertyPageContainerEx),
      {nullptr, 0},
  };
  return table;
}

STDMETHODIMP CRestoreModule::SetRestoreNode(ULONG nodeCount, BSTR* pNodeNames, ObjectId* pNodeIds,
                                            LONG* pIsPrimaryNodes, ULONG serviceCount,
                                            ServiceNodeStructure* pServiceNodes, BSTR backupName,
                                            BSTR backupPath) noexcept {
  RETURN_HR_IF(E_INVALIDARG, nodeCount > 0 && (!pNodeNames || !pNodeIds || !pIsPrimaryNodes));
  RETURN_HR_IF(E_INVALIDARG, serviceCount > 0 && !pServiceNodes);
  for (ULONG s = 0; s < serviceCount; ++s)
    RETURN_HR_IF(E_INVALIDARG, pServiceNodes[s].count > 0 && !pServiceNodes[s].backupItem);
  return Guard([&] {
    std::vector<Bstr> names = CopyTexts(nodeCount, pNodeNames);
    std::vector<ObjectId> ids(pNodeIds, pNodeIds + nodeCount);
    std::vector<ObjectId> primary;
    for (ULONG i = 0; i < nodeCount; ++i) {
      if (pIsPrimaryNodes[i] != 1) continue;
      const ObjectId& id = pNodeIds[i];
      const bool known = std::any_of(primary.begin(), primary.end(),
                                     [&](const ObjectId& p) { return records::SameId(p, id); });
      if (!known) primary.push_back(id);
    }
    std::vector<Service> services;
    services.reserve(serviceCount);
    for (ULONG s = 0; s < serviceCount; ++s) {
      const ServiceNodeStructure& node = pServiceNodes[s];
      Service service;
      service.name = Bstr::Copy(node.name);
      service.serviceId = node.serviceId;
      service.helperId = node.helperId;
      service.backupPath = Bstr::Copy(node.backupPath);
      // Page 1 hands over checked services only; the byte is not read.
      service.checked = true;
      service.items.reserve(node.count);
      for (ULONG i = 0; i < node.count; ++i)
        service.items.push_back(records::OwnedBackupItem::Copy(node.backupItem[i]));
      service.arguments = node.arguments;
      services.push_back(std::move(service));
    }
    Bstr name = Bstr::Copy(backupName);
    Bstr path = Bstr::Copy(backupPath);

    nodeNames_.swap(names);
    nodeIds_.swap(ids);
    primaryNodeIds_.swap(primary);
    services_.swap(services);
    backupName_ = std::move(name);
    backupPath_ = std::move(path);
    return S_OK;
  });
}

HRESULT CRestoreModule::SetInfo(Bstr* systemName, BSTR newName, BSTR description,
                                BSTR serverPath, BSTR serverPath2, BSTR systemPath,
                                BSTR workplacePath) noexcept {
  return Guard([&] {
    Bstr name = Bstr::Copy(newName);
    Info info{Bstr::Copy(description), Bstr::Copy(serverPath), Bstr::Copy(serverPath2),
              Bstr::Copy(systemPath), Bstr::Copy(workplacePath)};
    *systemName = std::move(name);
    info_ = std::move(info);
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::SetRestoreInfo(BSTR systemName, BSTR systemDescription,
                                            BSTR serverPath, BSTR serverPath2, BSTR systemPath,
                                            BSTR workplacePath) noexcept {
  return SetInfo(&backupSystemName_, systemName, systemDescription, serverPath, serverPath2,
                 systemPath, workplacePath);
}

STDMETHODIMP CRestoreModule::SetNewRestoreInfo(BSTR systemName, BSTR systemDescription,
                                               BSTR serverPath, BSTR serverPath2, BSTR systemPath,
                                               BSTR workplacePath) noexcept {
  return SetInfo(&newSystemName_, systemName, systemDescription, serverPath, serverPath2,
                 systemPath, workplacePath);
}

HRESULT CRestoreModule::GetInfo(const Bstr& systemName, BSTR* systemNameOut, BSTR* description,
                                BSTR* serverPath, BSTR* serverPath2, BSTR* systemPath,
                                BSTR* workplacePath, BSTR* backupName,
                                BSTR* backupPath) const noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(systemNameOut, description, serverPath, serverPath2,
                                             systemPath, workplacePath, backupName, backupPath));
  return Guard([&] {
    Bstr copies[] = {systemName,           info_.description,     info_.serverDataPath,
                     info_.serverData2Path, info_.systemDataPath, info_.workplaceDataPath,
                     backupName_,          backupPath_};
    BSTR* outs[] = {systemNameOut, description,   serverPath, serverPath2,
                    systemPath,    workplacePath, backupName, backupPath};
    for (size_t i = 0; i < ARRAYSIZE(outs); ++i) *outs[i] = copies[i].Detach();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::GetRestoreInfo(BSTR* systemName, BSTR* systemDescription,
                                            BSTR* serverPath, BSTR* serverPath2, BSTR* systemPath,
                                            BSTR* workplacePath, BSTR* backupName,
                                            BSTR* backupPath) noexcept {
  return GetInfo(backupSystemName_, systemName, systemDescription, serverPath, serverPath2,
                 systemPath, workplacePath, backupName, backupPath);
}

STDMETHODIMP CRestoreModule::GetNewRestoreInfo(BSTR* systemName, BSTR* systemDescription,
                                               BSTR* serverPath, BSTR* serverPath2,
                                               BSTR* systemPath, BSTR* workplacePath,
                                               BSTR* backupName, BSTR* backupPath) noexcept {
  return GetInfo(newSystemName_, systemName, systemDescription, serverPath, serverPath2,
                 systemPath, workplacePath, backupName, backupPath);
}

STDMETHODIMP CRestoreModule::GetRestoreNode(ULONG* count1, BSTR** ppNodeNames, ULONG* count2,
                                            ServiceNodeStructure** ppServiceIds,
                                            BSTR* backupName, BSTR* backupPath) noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(count1, ppNodeNames, count2, ppServiceIds,
                                             backupName, backupPath));
  return Guard([&] {
    comlib::BstrOutArray names = TextsOut(nodeNames_);
    records::ServiceNodeArray services(services_.size());
    for (size_t s = 0; s < services_.size(); ++s) {
      const Service& from = services_[s];
      ServiceNodeStructure& to = services[s];
      records::BackupItemArray items(from.items.size());
      for (size_t i = 0; i < from.items.size(); ++i) from.items[i].CopyTo(&items[i]);
      to.name = from.name.CopyOut();
      to.serviceId = from.serviceId;
      to.helperId = from.helperId;
      to.backupPath = from.backupPath.CopyOut();
      to.checked = from.checked ? 1 : 0;
      to.count = static_cast<ULONG>(from.items.size());
      to.backupItem = items.Release();
      to.arguments = from.arguments;
    }
    Bstr name(backupName_);
    Bstr path(backupPath_);

    *count1 = static_cast<ULONG>(names.size());
    *ppNodeNames = names.Release();
    *count2 = static_cast<ULONG>(services.size());
    *ppServiceIds = services.Release();
    *backupName = name.Detach();
    *backupPath = path.Detach();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::GetRestoreNodeNames(ULONG* count, BSTR** ppNodeNames, ULONG* count2,
                                                 ObjectId** ppNodeIds) noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(count, ppNodeNames, count2, ppNodeIds));
  return Guard([&] {
    comlib::BstrOutArray names = TextsOut(nodeNames_);
    comlib::PlainOutArray<ObjectId> ids(nodeIds_.size());
    std::copy(nodeIds_.begin(), nodeIds_.end(), &ids[0]);
    *count = static_cast<ULONG>(names.size());
    *ppNodeNames = names.Release();
    *count2 = static_cast<ULONG>(ids.size());
    *ppNodeIds = ids.Release();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::AddMappedNodes(BSTR OldNodeName, BSTR NewNodeName) noexcept {
  return Guard([&] {
    Bstr oldName = Bstr::Copy(OldNodeName);
    Bstr newName = Bstr::Copy(NewNodeName);
    // Both lists grow together or neither does.
    mappedOldNames_.reserve(mappedOldNames_.size() + 1);
    mappedNewNames_.reserve(mappedNewNames_.size() + 1);
    mappedOldNames_.push_back(std::move(oldName));
    mappedNewNames_.push_back(std::move(newName));
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::GetAddedMappedNodes(ULONG* count, BSTR** ppOldNodeName,
                                                 ULONG* count2, BSTR** ppNewNodeName) noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(count, ppOldNodeName, count2, ppNewNodeName));
  return Guard([&] {
    comlib::BstrOutArray oldNames = TextsOut(mappedOldNames_);
    comlib::BstrOutArray newNames = TextsOut(mappedNewNames_);
    *count = static_cast<ULONG>(oldNames.size());
    *ppOldNodeName = oldNames.Release();
    *count2 = static_cast<ULONG>(newNames.size());
    *ppNewNodeName = newNames.Release();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::ClearMappedNodes() noexcept {
  mappedOldNames_.clear();
  mappedNewNames_.clear();
  return S_OK;
}

STDMETHODIMP CRestoreModule::SetBackupDependency(ULONG count, BSTR* pBackupPath) noexcept {
  RETURN_HR_IF(E_INVALIDARG, count > 0 && !pBackupPath);
  return Guard([&] {
    std::vector<Bstr> paths = CopyTexts(count, pBackupPath);
    backupDependency_.swap(paths);
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::GetBackupDependency(ULONG* count, BSTR** ppBackupPath) noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(count, ppBackupPath));
  return Guard([&] {
    comlib::BstrOutArray paths = TextsOut(backupDependency_);
    *count = static_cast<ULONG>(paths.size());
    *ppBackupPath = paths.Release();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::SetSystemPaths(BSTR systemDataPath, BSTR serverDataPath,
                                            BSTR serverData2Path,
                                            BSTR workplaceDataPath) noexcept {
  return Guard([&] {
    Bstr system = Bstr::Copy(systemDataPath), server = Bstr::Copy(serverDataPath),
         server2 = Bstr::Copy(serverData2Path), workplace = Bstr::Copy(workplaceDataPath);
    info_.systemDataPath = std::move(system);
    info_.serverDataPath = std::move(server);
    info_.serverData2Path = std::move(server2);
    info_.workplaceDataPath = std::move(workplace);
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::GetSystemPaths(BSTR* pSystemDataPath, BSTR* pServerDataPath,
                                            BSTR* pServerData2Path,
                                            BSTR* pWorkplaceDataPath) noexcept {
  // A null out parameter means the caller does not want that path.
  return Guard([&] {
    Bstr copies[] = {info_.systemDataPath, info_.serverDataPath, info_.serverData2Path,
                     info_.workplaceDataPath};
    BSTR* outs[] = {pSystemDataPath, pServerDataPath, pServerData2Path, pWorkplaceDataPath};
    for (size_t i = 0; i < ARRAYSIZE(outs); ++i)
      if (outs[i]) *outs[i] = copies[i].Detach();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::SetNewSystemName(BSTR systemName) noexcept {
  // Only the name changes; description and paths are shared and stay.
  return Guard([&] {
    newSystemName_ = Bstr::Copy(systemName);
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::GetNewSystemName(BSTR* pSystemName) noexcept {
  if (!pSystemName) return S_OK;
  return Guard([&] {
    *pSystemName = newSystemName_.CopyOut();
    return S_OK;
  });
}

STDMETHODIMP CRestoreModule::IsPrimaryNode(ObjectId* pNodeId, LONG* bIsPrimaryNode) noexcept {
  RETURN_HR_IF(E_POINTER, !comlib::ResetOuts(bIsPrimaryNode) || !pNodeId);
  const bool primary =
      std::any_of(primaryNodeIds_.begin(), primaryNodeIds_.end(),
                  [&](const ObjectId& id) { return records::SameId(id, *pNodeId); });
  *bIsPrimaryNode = primary ? 1 : 0;
  return S_OK;
}

STDMETHODIMP CRestoreModule::get_CreateNewSystemId(LONG* pbCreateNewSystemId) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, pbCreateNewSystemId);
  *pbCreateNewSystemId = createNewSystemId_ ? 1 : 0;
  return S_OK;
}

STDMETHODIMP CRestoreModule::put_CreateNewSystemId(LONG pbCreateNewSystemId) noexcept {
  createNewSystemId_ = pbCreateNewSystemId == 1;
  return S_OK;
}

STDMETHODIMP CRestoreModule::GetFirstPage(CLSID* pageClsid) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, pageClsid);
  *pageClsid = CLSID_RestorePropertyPage1;
  return S_OK;
}

STDMETHODIMP CRestoreModule::Reserved4(LONG* value) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, value);
  *value = 0;
  return E_NOTIMPL;
}

STDMETHODIMP CRestoreModule::Reserved5(LONG* value) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, value);
  *value = 1;
  return S_OK;
}

STDMETHODIMP CRestoreModule::Reserved6(LONG* value) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, value);
  *value = 0;
  return E_NOTIMPL;
}

STDMETHODIMP CRestoreModule::Reserved7(LONG, LONG, LONG* result) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, result);
  *result = 1;
  return S_OK;
}
