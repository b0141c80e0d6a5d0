#include "selection/Commit.h"

#include "records/ItemArrays.h"
#include "session/ServiceNodeRecords.h"

namespace selection {

ServiceRecords::~ServiceRecords() {
  for (ServiceNodeStructure& record : records_)
    records::BackupItemArray::Attach(record.backupItem, record.count);  // freed right here
}

void ServiceRecords::AddChecked(const std::vector<ServiceEntry>& services) {
  for (const ServiceEntry& service : services) {
    if (!service.checked) continue;
    ServiceNodeStructure record = {};
    record.name = service.name.get();
    record.serviceId = service.serviceId;
    record.helperId = service.helperId;
    record.backupPath = service.backupPath.get();
    record.checked = 1;
    record.arguments = service.arguments.View();
    records_.push_back(record);

    if (service.items.empty()) continue;
    records::BackupItemArray items = records::CopyItemRecords(service.items);
    ServiceNodeStructure& added = records_.back();
    added.count = items.size();
    added.backupItem = items.Release();
  }
}

const BackupNode& NodeOwner(const std::vector<const BackupNode*>& chain) noexcept {
  for (const BackupNode* entry : chain)
    if (!entry->nodeNames.empty()) return *entry;
  return *chain.back();
}

HRESULT CommitSelection(IRestoreModule* session, const std::vector<const BackupNode*>& chain) {
  if (!session || chain.empty()) return E_UNEXPECTED;
  const BackupNode& selected = *chain.front();
  const BackupNode& owner = NodeOwner(chain);

  ServiceRecords services;
  services.AddChecked(selected.services);

  std::vector<BSTR> names;
  names.reserve(owner.nodeNames.size());
  for (const comlib::Bstr& name : owner.nodeNames) names.push_back(name.get());
  std::vector<ObjectId> ids(owner.nodeIds.begin(), owner.nodeIds.end());
  std::vector<LONG> primary;
  primary.reserve(ids.size());
  for (const ObjectId& id : ids) primary.push_back(owner.IsRestoreNode(id) ? 1 : 0);

  HRESULT hr = session->SetRestoreNode(
      static_cast<ULONG>(names.size()), names.empty() ? nullptr : names.data(),
      ids.empty() ? nullptr : ids.data(), primary.empty() ? nullptr : primary.data(),
      services.size(), services.data(), selected.name.get(), selected.infoFilePath.get());
  if (FAILED(hr)) return hr;

  hr = session->SetRestoreInfo(selected.systemName.get(), selected.systemDescription.get(),
                               selected.serverDataPath.get(), selected.serverData2Path.get(),
                               selected.projectDataPath.get(), selected.workplaceDataPath.get());
  if (FAILED(hr)) return hr;

  std::vector<BSTR> dependency;
  dependency.reserve(chain.size());
  for (const BackupNode* entry : chain) dependency.push_back(entry->infoFilePath.get());
  return session->SetBackupDependency(static_cast<ULONG>(dependency.size()), dependency.data());
}

}  // namespace selection
