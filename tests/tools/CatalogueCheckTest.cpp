#include <gtest/gtest.h>

#include <map>

#include "CatalogueCheck.h"
#include "Fixtures.h"
#include "TestSupport.h"
#include "catalogue/PathText.h"

namespace {

using fixtures::kId1;
using fixtures::kId2;
using fixtures::kId3;
using Reason = CatalogueCheck::Reason;
using testing_support::TempDir;

constexpr char kId4[] = "{44444444-4444-4444-4444-444444444444}";
constexpr char kId5[] = "{55555555-5555-5555-5555-555555555555}";
constexpr char kMissing[] = "{99999999-9999-9999-9999-999999999999}";

// A root with one backup of every kind the check tells apart.
void WriteEveryKind(const TempDir& dir) {
  fixtures::Backup(dir, L"R\\Root", fixtures::Current("Root", kId1));
  fixtures::Backup(dir, L"R\\Root\\Child", fixtures::Current("Child", kId2, kId1));
  fixtures::Backup(dir, L"R\\Legacy", fixtures::Legacy());
  fixtures::Backup(dir, L"R\\Broken", "<BACKUP Name=\"x\">");
  fixtures::Backup(dir, L"R\\NoSystem", "<BACKUP Name=\"x\"><OTHER/></BACKUP>");
  fixtures::Backup(dir, L"R\\EmptySystem", "<BACKUP Name=\"x\"><SYSTEM/></BACKUP>");
  fixtures::Backup(dir, L"R\\EmptyRoot", "<BACKUP Name=\"x\"/>");
  fixtures::Backup(dir, L"R\\BadService", "<BACKUP Name=\"x\"><SERVICE Name=\"s\"/><SYSTEM><NODE/></SYSTEM></BACKUP>");
  fixtures::Backup(dir, L"R\\Orphan", fixtures::Current("Orphan", kId3, kMissing));
  fixtures::Backup(dir, L"R\\Orphan\\Below", fixtures::Current("Below", kId4, kId3));
  fixtures::Backup(dir, L"R\\Self", fixtures::Current("Self", kId5, kId5));
  fixtures::Backup(dir, L"R\\Z\\Root", fixtures::Current("Copy", kId1));  // folder name already listed
}

TEST(CatalogueCheck, ListsTheTreeAndGivesEachDroppedFileItsReason) {
  TempDir dir;
  WriteEveryKind(dir);
  CatalogueCheck check;
  check.Run({comlib::Bstr(dir / L"R")});

  EXPECT_EQ(12u, check.FoundCount());
  std::vector<std::pair<std::wstring, size_t>> tree;
  for (const auto& line : check.Tree())
    tree.emplace_back(check.Catalogue().entries[line.entry].name.str(), line.depth);
  EXPECT_EQ((std::vector<std::pair<std::wstring, size_t>>{{L"Legacy", 0}, {L"Root", 0}, {L"Child", 1}}), tree);

  std::map<std::wstring, Reason> reasons;
  for (const auto& d : check.DroppedFiles()) reasons[d.path.substr(dir.path().size() + 3)] = d.reason;
  const std::map<std::wstring, Reason> expected = {
      {L"Broken\\BackupInfo.xml", Reason::NotWellFormed},
      {L"NoSystem\\BackupInfo.xml", Reason::NoNodeContainer},
      {L"EmptySystem\\BackupInfo.xml", Reason::EmptyNodeContainer},
      {L"EmptyRoot\\BackupInfo.xml", Reason::EmptyDocumentElement},
      {L"BadService\\BackupInfo.xml", Reason::MalformedService},
      {L"Orphan\\BackupInfo.xml", Reason::ParentNotInCatalogue},
      {L"Orphan\\Below\\BackupInfo.xml", Reason::AncestorNotInCatalogue},
      {L"Self\\BackupInfo.xml", Reason::ParentCycle},
      {L"Z\\Root\\BackupInfo.xml", Reason::HiddenByDuplicateRule},
  };
  EXPECT_EQ(expected, reasons);
  EXPECT_EQ(1, check.ExitCode());

  const std::wstring report = check.Report();
  EXPECT_NE(std::wstring::npos, report.find(L"\n  Root    "));
  EXPECT_NE(std::wstring::npos, report.find(L"\n    Child    "));
  EXPECT_NE(std::wstring::npos, report.find(L"dropped " + dir.path() + L"\\R\\Orphan\\BackupInfo.xml: parent not in "
                                            L"the catalogue ({99999999-9999-9999-9999-999999999999})"));
}

// "Cannot be loaded" names the one cause that applies, with its particulars.
TEST(CatalogueCheck, LoadFailuresNameTheirCause) {
  TempDir dir;
  const std::string good = fixtures::Current("Good", kId1);
  const struct {
    int line;
    const wchar_t* folder;
    std::string bytes;
    Reason reason;
    const wchar_t* detail;  // a part of it
  } cases[] = {
      {__LINE__, L"Broken", "<BACKUP Name=\"x\">\n<SYSTEM>", Reason::NotWellFormed, L"not well-formed at line "},
      {__LINE__, L"Empty", "", Reason::NotWellFormed, L"the file is empty"},
      {__LINE__, L"Doctype", "<!-- c -->\n<!DOCTYPE BACKUP>" + good, Reason::DeclaresDocumentType,
       L"declares a document type at line 2"},
      {__LINE__, L"Utf7", "<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + good, Reason::EncodingNotTaken,
       L"encoding not taken: UTF-7"},
      {__LINE__, L"Huge", good + std::string(xml::kMaxFileBytes, ' '), Reason::TooLarge,
       L"bytes, the limit is 1048576 bytes"},
  };
  for (const auto& c : cases) fixtures::Backup(dir, std::wstring(L"R\\") + c.folder, c.bytes);
  // A description that mentions UTF-7 is only text.
  fixtures::Backup(dir, L"R\\Listed", "<BACKUP Name=\"UTF-7 &lt;!DOCTYPE\" Id=\"" + std::string(kId2) +
                                           "\"><SYSTEM SystemDescription=\"utf-7 mail\"><NODE/></SYSTEM></BACKUP>");
  CatalogueCheck check;
  check.Run({comlib::Bstr(dir / L"R")});
  ASSERT_EQ(1u, check.Tree().size());
  EXPECT_EQ(L"UTF-7 <!DOCTYPE", check.Catalogue().entries[check.Tree()[0].entry].name.str());
  std::map<std::wstring, CatalogueCheck::Dropped> dropped;
  for (const auto& d : check.DroppedFiles()) dropped[FolderNameOf(d.path)] = d;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_EQ(1u, dropped.count(c.folder));
    EXPECT_EQ(c.reason, dropped[c.folder].reason);
    EXPECT_NE(std::wstring::npos, dropped[c.folder].detail.find(c.detail)) << dropped[c.folder].detail;
  }
  const std::wstring report = check.Report();
  EXPECT_NE(std::wstring::npos, report.find(L"Doctype\\BackupInfo.xml: cannot be loaded (declares a document type) "
                                            L"(declares a document type at line 2)"))
      << report;
  EXPECT_EQ(std::wstring::npos, report.find(L"missing, unreadable")) << report;
}

// Folders that give nothing are named, each with its reason: texts that are
// not full paths are not searched at all (they would search the host's
// current folder), folders that cannot be listed carry the system's error.
TEST(CatalogueCheck, FoldersThatGiveNothingAreNamed) {
  using Problem = BackupNodes::FolderRecord::Problem;
  TempDir dir;
  fixtures::Backup(dir, L"Good\\Root", fixtures::Current("Root", kId1));
  fixtures::Backup(dir, L"Here\\Backups\\Stray", fixtures::Current("Stray", kId2));
  dir.WriteFile(L"file.txt", "not a folder");
  const std::wstring longName = dir / std::wstring(300, L'x');
  const struct {
    int line;
    std::wstring folder;
    Problem problem;
  } cases[] = {
      {__LINE__, L"", Problem::Empty},
      {__LINE__, L".", Problem::Relative},
      {__LINE__, L"..", Problem::Relative},
      {__LINE__, L"Backups", Problem::Relative},
      {__LINE__, L"\\Backups", Problem::Relative},
      {__LINE__, L" ", Problem::Relative},
      {__LINE__, dir / L"missing", Problem::CannotSearch},
      {__LINE__, dir / L"file.txt", Problem::CannotSearch},
      {__LINE__, longName, Problem::CannotSearch},
  };
  std::vector<comlib::Bstr> folders{comlib::Bstr(dir / L"Good")};
  for (const auto& c : cases) folders.emplace_back(c.folder);
  // The drive letter alone would search the current folder of that drive.
  const std::wstring drive = dir.path().substr(0, 2);
  folders.emplace_back(drive);

  wchar_t before[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, before);
  ::SetCurrentDirectoryW((dir / L"Here").c_str());
  CatalogueCheck check;
  check.Run(folders);
  ::SetCurrentDirectoryW(before);

  ASSERT_EQ(1u, check.FoundCount()) << check.Report();
  EXPECT_EQ(1u, check.Tree().size());
  EXPECT_EQ(1, check.ExitCode());
  std::map<std::wstring, CatalogueCheck::SkippedFolder> skipped;
  for (const auto& s : check.SkippedFolders()) skipped[s.folder] = s;
  EXPECT_EQ(sizeof cases / sizeof cases[0] + 1, check.SkippedFolders().size()) << check.Report();
  EXPECT_EQ(Problem::Relative, skipped[drive].problem);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_EQ(1u, skipped.count(c.folder)) << check.Report();
    EXPECT_EQ(c.problem, skipped[c.folder].problem);
    EXPECT_EQ(c.problem == Problem::CannotSearch, !skipped[c.folder].detail.empty());
  }
  const std::wstring report = check.Report();
  EXPECT_NE(std::wstring::npos, report.find(L"skipped \"" + dir / L"missing" + L"\": cannot be searched (")) << report;
  EXPECT_NE(std::wstring::npos, report.find(L"skipped \"Backups\": not searched: not a full path")) << report;
}

TEST(CatalogueCheck, FullPathsAreTheOnlyFoldersSearched) {
  const struct {
    int line;
    const wchar_t* folder;
    FolderForm form;
  } cases[] = {
      {__LINE__, L"C:\\", FolderForm::Full},          {__LINE__, L"c:/Backups", FolderForm::Full},
      {__LINE__, L"D:\\B\\..\\C", FolderForm::Full},   {__LINE__, L"\\\\server\\share", FolderForm::Full},
      {__LINE__, L"\\\\?\\C:\\Long", FolderForm::Full}, {__LINE__, L"", FolderForm::Empty},
      {__LINE__, L"C:", FolderForm::Relative},          {__LINE__, L"C:Backups", FolderForm::Relative},
      {__LINE__, L"\\", FolderForm::Relative},          {__LINE__, L"\\\\", FolderForm::Relative},
      {__LINE__, L"\\\\\\x", FolderForm::Relative},     {__LINE__, L"1:\\x", FolderForm::Relative},
      {__LINE__, L" C:\\x", FolderForm::Relative},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.form, FormOfFolder(c.folder));
  }
}

// The tool beside the test program's build folder.
std::wstring ToolPath() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path = path.substr(0, path.rfind(L'\\'));  // tests
  return path.substr(0, path.rfind(L'\\')) + L"\\tools\\catalogue_check.exe";
}

struct ToolRun {
  DWORD code = 0xFFFFFFFF;
  std::string output;
};

ToolRun RunTool(const std::wstring& arguments) {
  ToolRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &inherit, 0)) return run;
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  startup.hStdInput = nullptr;
  std::wstring command = L"\"" + ToolPath() + L"\" " + arguments;
  PROCESS_INFORMATION process = {};
  const BOOL started = ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
  ::CloseHandle(write);
  if (started) {
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0) run.output.append(buffer, n);
    ::WaitForSingleObject(process.hProcess, 60000);
    ::GetExitCodeProcess(process.hProcess, &run.code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(read);
  return run;
}

TEST(CatalogueCheck, ToolExitCodes) {
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(ToolPath().c_str())) << "build catalogue_check first";
  TempDir dir;
  fixtures::Backup(dir, L"Good\\Root", fixtures::Current("R\xC3\xBC" "ckblick", kId1));
  fixtures::Backup(dir, L"Good\\Root\\Next", fixtures::Current("Next", kId2, kId1));
  WriteEveryKind(dir);

  const ToolRun good = RunTool(L"\"" + dir / L"Good" + L"\"");
  EXPECT_EQ(0u, good.code);
  EXPECT_NE(std::string::npos, good.output.find("  R\xC3\xBC" "ckblick")) << good.output;  // UTF-8
  EXPECT_NE(std::string::npos, good.output.find("    Next")) << good.output;

  const ToolRun dropped = RunTool(L"\"" + dir / L"R" + L"\"");
  EXPECT_EQ(1u, dropped.code);
  EXPECT_NE(std::string::npos, dropped.output.find("malformed service")) << dropped.output;

  const ToolRun relative = RunTool(L"\"" + dir / L"Good" + L"\" Backups");
  EXPECT_EQ(1u, relative.code);
  EXPECT_NE(std::string::npos, relative.output.find("skipped \"Backups\": not searched")) << relative.output;

  EXPECT_EQ(2u, RunTool(L"--bogus").code);
  const ToolRun help = RunTool(L"--help");
  EXPECT_EQ(0u, help.code);
  EXPECT_NE(std::string::npos, help.output.find("usage:"));
}

}  // namespace
