#include "catalogue/ReadXML.h"

#include "catalogue/PathText.h"
#include "catalogue/Xml.h"
#include "comlib/Result.h"

namespace {

using xml::AttributeStatus;
using xml::Element;

comlib::Bstr Text(const Element& e, const wchar_t* attribute) {
  comlib::Bstr value;
  e.Attribute(attribute, &value);
  return value;
}

ObjectId Id(const Element& e, const wchar_t* attribute) {
  comlib::Bstr value;
  if (e.Attribute(attribute, &value) != AttributeStatus::Present) return kNullObjectId;
  return ObjectIdFromText(value.get(), value.Length());
}

}  // namespace

ReadXML::ReadXML(const wchar_t* path, FileSystem* files)
    : path_(path), files_(files ? *files : FileSystem::Real()) {}

HRESULT ReadXML::Read() {
  return comlib::Guard([this] { return ReadFile(); }, E_FAIL);
}

HRESULT ReadXML::Fetch() {
  return comlib::Guard([this] { return FetchFile(); }, E_FAIL);
}

HRESULT ReadXML::FetchFile() {
  node_.Clear();
  node_.infoFilePath = path_;
  outcome_ = Outcome::NotRead;
  failure_ = xml::LoadFailure();
  bytes_.clear();
  fetched_ = true;
  const comlib::UniqueFile file = files_.OpenForReading(path_.str());
  if (FAILED(xml::ReadFileBytes(file.get(), &bytes_, &failure_))) return Finish(Outcome::CannotLoad, S_FALSE);
  return S_OK;
}

HRESULT ReadXML::ReadFile() {
  // Each Read without a Fetch before it reads the file afresh.
  if (!fetched_) RETURN_IF_FAILED(FetchFile());
  fetched_ = false;
  if (outcome_ == Outcome::CannotLoad) return S_FALSE;

  xml::Document document;
  if (FAILED(document.Parse(std::move(bytes_)))) {
    failure_ = document.Failure();
    return Finish(Outcome::CannotLoad, S_FALSE);
  }
  const Element root = document.DocumentElement();
  if (!root) return Finish(Outcome::NoDocumentElement, E_FAIL);

  Element container;
  comlib::Bstr name;
  const bool current = root.Attribute(L"Name", &name) == AttributeStatus::Present;
  node_.name = name;
  if (current) {
    node_.id = Id(root, L"Id");
    node_.parentId = Id(root, L"ParentId");
    if (!root.HasChildNodes()) return Finish(Outcome::EmptyDocumentElement, E_FAIL);
    for (Element child = root.FirstChild(); child; child = child.NextSibling()) {
      if (child.HasTag(L"SERVICE")) {
        ServiceEntry service;
        comlib::Bstr serviceId, helperId;
        if (child.Attribute(L"Name", &service.name) != AttributeStatus::Present ||
            child.Attribute(L"Id", &serviceId) != AttributeStatus::Present ||
            child.Attribute(L"HelperId", &helperId) != AttributeStatus::Present ||
            child.Attribute(L"BackupPath", &service.backupPath) != AttributeStatus::Present)
          return Finish(Outcome::MalformedService, E_FAIL);
        service.serviceId = ObjectIdFromText(serviceId.get(), serviceId.Length());
        service.helperId = ObjectIdFromText(helperId.get(), helperId.Length());
        node_.services.push_back(std::move(service));
      } else if (child.HasTag(L"SYSTEM")) {
        node_.systemName = Text(child, L"SystemName");
        node_.systemDescription = Text(child, L"SystemDescription");
        container = child;
      }
    }
  } else {
    node_.name = comlib::Bstr(FolderNameOf(path_.str()));
    node_.systemName = Text(root, L"SystemName");
    node_.systemDescription = Text(root, L"SystemDescription");
    GUID fresh = GUID_NULL;
    ::CoCreateGuid(&fresh);
    node_.id = FromGuid(fresh);
    node_.parentId = kNullObjectId;
    container = root;
  }

  if (!container) return Finish(Outcome::NoNodeContainer, S_FALSE);
  if (!container.HasChildNodes()) return Finish(Outcome::EmptyNodeContainer, S_FALSE);

  for (Element child = container.FirstChild(); child; child = child.NextSibling()) {
    if (child.HasTag(L"RESTORENODE")) {
      node_.projectDataPath = Text(child, L"ProjectDataPath");
      node_.serverDataPath = Text(child, L"ServerDataPath");
      // Older files lack it: absent reads empty, but when the parser cannot
      // deliver it the first server data directory stands in.
      if (child.Attribute(L"ServerData2Path", &node_.serverData2Path) == AttributeStatus::Failed)
        node_.serverData2Path = node_.serverDataPath;
      node_.workplaceDataPath = Text(child, L"WorkplaceDataPath");
      node_.primaryNodeIds.insert(Id(child, L"NodeId"));
    } else if (child.HasTag(L"NODE")) {
      node_.nodeNames.push_back(Text(child, L"NodeName"));
      node_.nodeIds.push_back(Id(child, L"NodeId"));
    }
  }
  return Finish(Outcome::Read, S_OK);
}

void ReadXML::GetBackupNode(BackupNode* node) const { *node = node_; }
