#pragma once
// The plain-text summary of the wizard's selections, free of the session.
#include <string>
#include <utility>
#include <vector>

namespace nodes {

struct SummaryInput {
  std::wstring systemName;
  std::wstring description;
  std::wstring serverData;
  std::wstring serverData2;
  std::wstring projectData;
  std::wstring workplaceData;
  std::wstring backupName;
  std::wstring backupPath;
  // (old name, new name) in the order recorded; when empty the backup's
  // nodes and services are listed instead.
  std::vector<std::pair<std::wstring, std::wstring>> mappedNodes;
  std::vector<std::wstring> nodeNames;
  std::vector<std::wstring> serviceNames;
};

// CR LF line ends, TAB between label and value.
std::wstring BuildSummary(const SummaryInput& input);

}  // namespace nodes
