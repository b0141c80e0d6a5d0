#pragma once
// Small information files for the catalogue tests.
#include <string>

#include "TestSupport.h"

namespace fixtures {

constexpr char kId1[] = "{11111111-1111-1111-1111-111111111111}";
constexpr char kId2[] = "{22222222-2222-2222-2222-222222222222}";
constexpr char kId3[] = "{33333333-3333-3333-3333-333333333333}";
constexpr char kNode1[] = "{AAAAAAAA-0000-0000-0000-000000000001}";
constexpr char kNode2[] = "{AAAAAAAA-0000-0000-0000-000000000002}";

// A current-layout file with one node (also primary).
inline std::string Current(const std::string& name, const std::string& id, const std::string& parent = "") {
  return "<BACKUP Name=\"" + name + "\" Id=\"" + id + "\" ParentId=\"" + parent +
         "\"><SYSTEM SystemName=\"S\"><NODE NodeName=\"N1\" NodeId=\"" + kNode1 +
         "\"/><RESTORENODE NodeId=\"" + kNode1 + "\"/></SYSTEM></BACKUP>";
}

inline std::string Legacy() {
  return std::string("<SYSTEMINFO SystemName=\"Old\"><NODE NodeName=\"N1\" NodeId=\"") + kNode1 +
         "\"/></SYSTEMINFO>";
}

// Writes <folder>\BackupInfo.xml under the temporary folder; returns the file's path.
inline std::wstring Backup(const testing_support::TempDir& dir, const std::wstring& folder,
                           const std::string& xml) {
  return dir.WriteFile(folder + L"\\BackupInfo.xml", xml);
}

}  // namespace fixtures
