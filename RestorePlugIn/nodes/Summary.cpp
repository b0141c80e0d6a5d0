#include "nodes/Summary.h"

namespace nodes {
namespace {

const wchar_t kEnd[] = L"\r\n";

void Line(std::wstring& text, const wchar_t* label, const std::wstring& value) {
  text += label;
  text += L'\t';
  text += value;
  text += kEnd;
}

}  // namespace

std::wstring BuildSummary(const SummaryInput& input) {
  std::wstring text = L"***Summary info of selections***";
  text += kEnd;
  Line(text, L" SystemName:", input.systemName);
  Line(text, L" SystemDescription:", input.description);
  Line(text, L" ServerData:", input.serverData);
  Line(text, L" ProjectData:", input.projectData);
  Line(text, L" WorkplaceData:", input.workplaceData);
  Line(text, L" ServerData2:", input.serverData2);
  Line(text, L" BackupName:", input.backupName);
  Line(text, L" BackupPath:", input.backupPath);

  if (!input.mappedNodes.empty()) {
    text += L"Nodes:";
    text += kEnd;
    // The header has no line end of its own: each pair opens with one, so
    // every pair after the first follows an empty line.
    text += L"Node:\t\thas been mapped to node:";
    for (const auto& pair : input.mappedNodes) {
      text += kEnd;
      text += pair.first;
      text += L" \t";
      text += pair.second;
      text += kEnd;
    }
    return text;
  }

  text += L"Nodes::";
  text += kEnd;
  for (const std::wstring& name : input.nodeNames) Line(text, L" NodeName:", name);
  if (!input.serviceNames.empty()) {
    text += L"Services\t";
    text += kEnd;
    for (const std::wstring& name : input.serviceNames) Line(text, L" Service:", name);
  }
  return text;
}

}  // namespace nodes
