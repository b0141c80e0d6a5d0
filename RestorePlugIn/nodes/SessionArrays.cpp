#include "nodes/SessionArrays.h"

namespace nodes {

void ReleaseElement(BSTR& text) noexcept {
  ::SysFreeString(text);
  text = nullptr;
}

void ReleaseElement(ObjectId&) noexcept {}

void ReleaseElement(ServiceNodeStructure& service) noexcept {
  ReleaseElement(service.name);
  ReleaseElement(service.backupPath);
  if (service.backupItem) {
    for (ULONG i = 0; i < service.count; ++i) {
      ReleaseElement(service.backupItem[i].name);
      ReleaseElement(service.backupItem[i].description);
      ReleaseElement(service.backupItem[i].details);
    }
    ::CoTaskMemFree(service.backupItem);
    service.backupItem = nullptr;
  }
  // The arguments block stays its producer's.
}

std::vector<std::wstring> Texts(const TextArray& texts) {
  std::vector<std::wstring> out;
  out.reserve(texts.count());
  for (ULONG i = 0; i < texts.count(); ++i) out.push_back(Text(texts[i]));
  return out;
}

}  // namespace nodes
