#pragma once
// What the catalogue makes of a set of backup folders, for the diagnostics
// tool: the tree the selection page shows and every information file that
// was found but does not appear in it, with the reason.
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/BackupNodes.h"
#include "comlib/Bstr.h"

class CatalogueCheck {
 public:
  enum class Reason {
    CannotLoad,  // no parser
    CannotRead,
    TooLarge,
    EncodingNotTaken,
    DeclaresDocumentType,
    NotWellFormed,
    NoDocumentElement,
    EmptyDocumentElement,
    NoNodeContainer,
    EmptyNodeContainer,
    MalformedService,
    HiddenByDuplicateRule,
    ParentNotInCatalogue,
    AncestorNotInCatalogue,
    ParentCycle,
  };
  struct Listed {
    size_t depth;
    size_t entry;  // position in Catalogue().entries
  };
  struct Dropped {
    std::wstring path;
    Reason reason;
    std::wstring detail;  // the load failure, the folder name or the missing parent id
  };
  // A folder that gave no backups because it was not or could not be searched.
  struct SkippedFolder {
    std::wstring folder;
    BackupNodes::FolderRecord::Problem problem;
    std::wstring detail;  // the system's reason
  };

  void Run(const std::vector<comlib::Bstr>& folders);

  const BackupNodes& Catalogue() const noexcept { return catalogue_; }
  size_t FoundCount() const noexcept { return found_; }
  const std::vector<Listed>& Tree() const noexcept { return tree_; }
  const std::vector<Dropped>& DroppedFiles() const noexcept { return dropped_; }
  const std::vector<SkippedFolder>& SkippedFolders() const noexcept { return skipped_; }
  // 0 when every backup found is listed and every folder searched, else 1.
  int ExitCode() const noexcept { return dropped_.empty() && skipped_.empty() ? 0 : 1; }
  // The tree, indented two spaces per level, then one "dropped" line per
  // file and one "skipped" line per folder.
  std::wstring Report() const;

  static const wchar_t* ReasonText(Reason reason) noexcept;
  static const wchar_t* ProblemText(BackupNodes::FolderRecord::Problem problem) noexcept;

 private:
  BackupNodes catalogue_;
  size_t found_ = 0;
  std::vector<Listed> tree_;
  std::vector<Dropped> dropped_;
  std::vector<SkippedFolder> skipped_;
};
