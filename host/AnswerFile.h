#pragma once
// The answers of one unattended wizard run, kept as an INI text:
//
//   [Wizard]       Tool=Restore System          (optional: the first permitted tool)
//   [Backups]      Folder1=D:\Backups  Folder2=...   Backup=<backup name>
//                  Services=Historian;Alarm server  (checked in page 1's services list)
//   [Directories]  ServerData= ServerData2= ProjectData= WorkplaceData=  (each optional)
//   [Identity]     NewSystemId=0|1  SystemName=<new name>
//   [Nodes]        <name in the backup>=<new name>   (%COMPUTERNAME%: this computer)
//   [Restore]      ContinueOnWarning=0|1
//
// Section and key names are case-insensitive; lines starting with ';' or '#'
// are comments; values are taken as written, without surrounding blanks.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host {

struct Answers {
  std::wstring tool;
  std::vector<std::wstring> folders;
  std::wstring backup;
  std::vector<std::wstring> services;
  std::optional<std::wstring> serverData;
  std::optional<std::wstring> serverData2;
  std::optional<std::wstring> projectData;
  std::optional<std::wstring> workplaceData;
  std::optional<bool> newSystemId;
  std::wstring systemName;
  // Name in the backup, new name; in file order.
  std::vector<std::pair<std::wstring, std::wstring>> nodes;
  bool continueOnWarning = false;
};

// The stand-in for this computer's name in [Nodes].
extern const wchar_t kThisComputer[];

// Parses the text; on a malformed line, unknown section or key, or a value
// that is not 0 or 1 where one is wanted, returns false and a reason that
// names the line.
bool ParseAnswers(const std::wstring& text, Answers* answers, std::wstring* error);
std::wstring FormatAnswers(const Answers& answers);

// UTF-8 (with or without byte-order mark) or UTF-16 files.
bool ReadAnswerFile(const std::wstring& path, Answers* answers, std::wstring* error);
bool WriteAnswerFile(const std::wstring& path, const Answers& answers);

}  // namespace host
