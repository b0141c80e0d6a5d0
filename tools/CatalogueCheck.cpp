#include "CatalogueCheck.h"

#include <unordered_map>
#include <unordered_set>

#include "catalogue/PathText.h"

namespace {

CatalogueCheck::Reason ReasonOf(ReadXML::Outcome outcome, const xml::LoadFailure& failure) {
  using Outcome = ReadXML::Outcome;
  using Reason = CatalogueCheck::Reason;
  using Kind = xml::LoadFailure::Kind;
  switch (outcome) {
    case Outcome::CannotLoad:
      switch (failure.kind) {
        case Kind::CannotRead: return Reason::CannotRead;
        case Kind::TooLarge: return Reason::TooLarge;
        case Kind::EncodingNotTaken: return Reason::EncodingNotTaken;
        case Kind::DeclaresDocumentType: return Reason::DeclaresDocumentType;
        case Kind::NotWellFormed: return Reason::NotWellFormed;
        default: return Reason::CannotLoad;
      }
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
    case Reason::CannotLoad: return L"cannot be loaded";
    case Reason::CannotRead: return L"cannot be loaded (the file cannot be read)";
    case Reason::TooLarge: return L"cannot be loaded (too large)";
    case Reason::EncodingNotTaken: return L"cannot be loaded (encoding not taken)";
    case Reason::DeclaresDocumentType: return L"cannot be loaded (declares a document type)";
    case Reason::NotWellFormed: return L"cannot be loaded (not well-formed)";
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

const wchar_t* CatalogueCheck::ProblemText(BackupNodes::FolderRecord::Problem problem) noexcept {
  using Problem = BackupNodes::FolderRecord::Problem;
  switch (problem) {
    case Problem::Empty: return L"not searched: the folder text is empty";
    case Problem::Relative: return L"not searched: not a full path (a drive with a backslash, or \\\\server\\share)";
    case Problem::CannotSearch: return L"cannot be searched";
  }
  return L"";
}

void CatalogueCheck::Run(const std::vector<comlib::Bstr>& folders) {
  catalogue_.SetPaths(folders);
  std::vector<BackupNodes::FileRecord> records;
  std::vector<BackupNodes::FolderRecord> folderRecords;
  catalogue_.Load(&records, &folderRecords);
  catalogue_.BuildDependencies();
  found_ = records.size();
  tree_.clear();
  dropped_.clear();
  skipped_.clear();
  for (const BackupNodes::FolderRecord& f : folderRecords)
    skipped_.push_back({f.folder, f.problem,
                        f.problem == BackupNodes::FolderRecord::Problem::CannotSearch
                            ? xml::StatusText(HRESULT_FROM_WIN32(f.error))
                            : std::wstring()});

  for (const BackupNodes::FileRecord& record : records) {
    if (record.hidden)
      dropped_.push_back({record.path, Reason::HiddenByDuplicateRule, FolderNameOf(record.path)});
    else if (record.status != S_OK)
      dropped_.push_back({record.path, ReasonOf(record.outcome, record.failure),
                          record.outcome == ReadXML::Outcome::CannotLoad ? record.failure.Describe() : std::wstring()});
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
  if (!skipped_.empty()) text += L"Folders not searched: " + std::to_wstring(skipped_.size()) + L"\n";
  for (const SkippedFolder& s : skipped_) {
    text += L"skipped \"" + s.folder + L"\": " + ProblemText(s.problem);
    if (!s.detail.empty()) text += L" (" + s.detail + L")";
    text += L"\n";
  }
  return text;
}
