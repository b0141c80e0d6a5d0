#pragma once
// Reads one backup information file ("BackupInfo.xml") into a BackupNode.
#include <windows.h>

#include <string>

#include "catalogue/BackupNode.h"
#include "catalogue/FileSystem.h"
#include "catalogue/LoadFailure.h"
#include "comlib/Bstr.h"

class ReadXML {
 public:
  // Why a reading ended as it did, finer than the status of Read.
  enum class Outcome {
    NotRead,
    Read,                  // S_OK
    CannotLoad,            // S_FALSE: Failure() says why
    NoNodeContainer,       // S_FALSE: a current-layout file without "SYSTEM"
    EmptyNodeContainer,    // S_FALSE
    NoDocumentElement,     // E_FAIL
    EmptyDocumentElement,  // E_FAIL: a current-layout document element without children
    MalformedService,      // E_FAIL: a "SERVICE" lacks one of its four attributes
  };

  // The file is opened through files, the machine's own file system when none.
  explicit ReadXML(const wchar_t* path, FileSystem* files = nullptr);
  virtual ~ReadXML() = default;
  ReadXML(const ReadXML&) = delete;
  ReadXML& operator=(const ReadXML&) = delete;

  // S_OK, S_FALSE (nothing to read) or E_FAIL (malformed).
  HRESULT Read();
  // Reads the file's bytes, so that the Read after it only parses them:
  // S_OK, or S_FALSE when they cannot be read (Read then says the same).
  HRESULT Fetch();
  void GetBackupNode(BackupNode* node) const;
  Outcome LastOutcome() const noexcept { return outcome_; }
  // Why the file could not be loaded (CannotLoad).
  const xml::LoadFailure& Failure() const noexcept { return failure_; }

 private:
  HRESULT Finish(Outcome outcome, HRESULT status) noexcept {
    outcome_ = outcome;
    return status;
  }
  HRESULT FetchFile();
  HRESULT ReadFile();

  comlib::Bstr path_;
  FileSystem& files_;
  BackupNode node_;
  Outcome outcome_ = Outcome::NotRead;
  xml::LoadFailure failure_;
  bool fetched_ = false;
  std::string bytes_;
};
