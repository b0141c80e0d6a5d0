#include "nodes/SessionArrays.h"

#include "session/Records.h"

namespace nodes {

void ReleaseElement(BSTR& text) noexcept {
  ::SysFreeString(text);
  text = nullptr;
}

void ReleaseElement(ObjectId&) noexcept {}

void ReleaseElement(ServiceNodeStructure& service) noexcept { session::ClearServiceNode(service); }

std::vector<std::wstring> Texts(const TextArray& texts) {
  std::vector<std::wstring> out;
  out.reserve(texts.count());
  for (ULONG i = 0; i < texts.count(); ++i) out.push_back(Text(texts[i]));
  return out;
}

}  // namespace nodes
