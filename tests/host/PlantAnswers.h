#pragma once
// The answers both kinds of host test give: the sample plant restored as a
// copy under a new system id, its directories under the given folder.
#include "AnswerFile.h"
#include "Components.h"
#include "TestSupport.h"

namespace host_test {

inline host::Answers PlantCopy(const testing_support::TempDir& targets) {
  host::Answers a;
  a.folders = {testing_support::SamplesFolder()};
  a.backup = L"Plant 2024-03 incremental";
  a.projectData = targets / L"Plant\\Project";
  a.serverData = targets / L"Plant\\Project\\Server";
  a.serverData2 = targets / L"Plant\\Project\\Server2";
  a.workplaceData = targets / L"Plant\\Project\\Workplace";
  a.newSystemId = true;
  a.systemName = L"Plant North Copy";
  a.nodes = {{L"PN-OS1", L"OS-NEW"}};
  return a;
}

}  // namespace host_test
