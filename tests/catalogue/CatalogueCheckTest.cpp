#include <gtest/gtest.h>

#include <map>

#include "Fixtures.h"
#include "TestSupport.h"
#include "catalogue/CatalogueCheck.h"

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
      {L"Broken\\BackupInfo.xml", Reason::CannotLoad},
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

  EXPECT_EQ(2u, RunTool(L"--bogus").code);
  const ToolRun help = RunTool(L"--help");
  EXPECT_EQ(0u, help.code);
  EXPECT_NE(std::string::npos, help.output.find("usage:"));
}

}  // namespace
