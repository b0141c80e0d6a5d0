#include "catalogue/CatalogueCheck.h"

#include <unordered_map>
#include <unordered_set>

#include "catalogue/PathText.h"

namespace {

CatalogueCheck::Reason ReasonOf(ReadXML::Outcome outcome) {
  using Outcome = ReadXML::Outcome;
  using Reason = CatalogueCheck::Reason;
  switch (outcome) {
    case Outcome::NoDocumentElement: return Reason::NoDocumentElement;
    case Outcome::EmptyDocumentElement: return Reason::EmptyDocumentElement;
    case Outcome::NoNodeContainer: return Reason::NoNodeContainer;
    case Outcome::EmptyNodeContainer: return Reason::EmptyNodeContainer;
    case Outcome::MalformedService: return Reason::MalformedService;
    default: return Reason::CannotLoad;
  }
}

}  // namespace

const wchar_t* CatalogueCheck::ReasonText(Reason reason) noexcept {
  switch (reason) {
    case Reason::CannotLoad:
      return L"cannot be loaded (missing, unreadable, not well-formed, or declares a document type)";
    case Reason::NoDocumentElement: return L"cannot be loaded (no document element)";
    case Reason::EmptyDocumentElement: return L"no node container (the document element has no children)";
    case Reason::NoNodeContainer: return L"no node container (no \"SYSTEM\" element)";
    case Reason::EmptyNodeContainer: return L"no node container (the node container has no children)";
    case Reason::MalformedService:
      return L"malformed service (a \"SERVICE\" lacks Name, Id, HelperId or BackupPath)";
    case Reason::HiddenByDuplicateRule: return L"hidden by the duplicate rule: a listed path has the folder";
    case Reason::ParentNotInCatalogue: return L"parent not in the catalogue";
    case Reason::AncestorNotInCatalogue: return L"parent not in the catalogue (further up the chain)";
    case Reason::ParentCycle: return L"parent not in the catalogue (the parents form a cycle)";
  }
  return L"";
}

void CatalogueCheck::Run(const std::vector<comlib::Bstr>& folders) {
  catalogue_.SetPaths(folders);
  std::vector<BackupNodes::FileRecord> records;
  catalogue_.Load(&records);
  catalogue_.BuildDependencies();
  found_ = records.size();
  tree_.clear();
  dropped_.clear();

  for (const BackupNodes::FileRecord& record : records) {
    if (record.hidden)
      dropped_.push_back({record.path, Reason::HiddenByDuplicateRule, FolderNameOf(record.path)});
    else if (record.status != S_OK)
      dropped_.push_back({record.path, ReasonOf(record.outcome), std::wstring()});
  }

  const std::vector<BackupNode>& entries = catalogue_.entries;
  std::vector<bool> shown(entries.size(), false);
  for (const BackupNodes::TreeRow& row : catalogue_.DependencyTree()) {
    tree_.push_back({row.depth, row.entry});
    shown[row.entry] = true;
  }

  std::unordered_map<ObjectId, size_t, ObjectIdHash> firstById;
  for (size_t i = 0; i < entries.size(); ++i) firstById.emplace(entries[i].id, i);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (shown[i]) continue;
    // Up the parent chain until an id is missing or comes round again.
    Reason reason = Reason::ParentNotInCatalogue;
    ObjectId missing = entries[i].parentId;
    std::unordered_set<size_t> visited{i};
    for (size_t at = i, step = 0;; ++step) {
      const auto parent = firstById.find(entries[at].parentId);
      if (parent == firstById.end()) {
        reason = step == 0 ? Reason::ParentNotInCatalogue : Reason::AncestorNotInCatalogue;
        missing = entries[at].parentId;
        break;
      }
      if (!visited.insert(parent->second).second) {
        reason = Reason::ParentCycle;
        missing = entries[i].parentId;
        break;
      }
      at = parent->second;
    }
    dropped_.push_back({entries[i].infoFilePath.str(), reason, ObjectIdToText(missing)});
  }
}

std::wstring CatalogueCheck::Report() const {
  const std::vector<BackupNode>& entries = catalogue_.entries;
  std::wstring text = L"Backups: " + std::to_wstring(tree_.size()) + L" listed of " +
                      std::to_wstring(found_) + L" found\n";
  for (const Listed& line : tree_) {
    const BackupNode& entry = entries[line.entry];
    text.append(2 * (line.depth + 1), L' ');
    text += entry.name.str() + L"    " + entry.infoFilePath.str() + L"\n";
  }
  if (!dropped_.empty()) text += L"Dropped: " + std::to_wstring(dropped_.size()) + L"\n";
  for (const Dropped& d : dropped_) {
    text += L"dropped " + d.path + L": " + ReasonText(d.reason);
    if (!d.detail.empty()) text += L" (" + d.detail + L")";
    text += L"\n";
  }
  return text;
}
