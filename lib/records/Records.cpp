#include "records/Records.h"

namespace records {

void ClearBackupItem(BackupItem& record) noexcept {
  ::SysFreeString(record.name);
  ::SysFreeString(record.description);
  ::SysFreeString(record.details);
  record = BackupItem{};
}

std::vector<std::wstring> Texts(const TextArray& texts) {
  std::vector<std::wstring> out;
  out.reserve(texts.size());
  for (ULONG i = 0; i < texts.size(); ++i) out.push_back(Text(texts[i]));
  return out;
}

}  // namespace records
