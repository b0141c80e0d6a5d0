#include "ItemsRestoreHelper.h"

#include <algorithm>
#include <cwctype>

#include "ArgumentEditor.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"
#include "records/ItemArrays.h"

namespace zel {

// {137876EC-4163-4E52-9050-580E8C778CF2}
const CLSID CLSID_ZelItemsRestoreHelper = {
    0x137876EC, 0x4163, 0x4E52, {0x90, 0x50, 0x58, 0x0E, 0x8C, 0x77, 0x8C, 0xF2}};

namespace {

struct FoundFile {
  std::wstring relative;
  ULONGLONG size;
};

void ListFiles(const std::wstring& folder, const std::wstring& relative,
               std::vector<FoundFile>* files) {
  WIN32_FIND_DATAW data;
  comlib::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ListFiles(folder + L"\\" + name, path, files);
    } else {
      files->push_back({path, (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
    }
  } while (::FindNextFileW(find.get(), &data));
}

// FNV-1a over the lower-case path, kept positive.
LONG PathValue(const std::wstring& relative) {
  uint32_t hash = 2166136261u;
  for (wchar_t c : relative) {
    hash ^= static_cast<uint32_t>(std::towlower(c));
    hash *= 16777619u;
  }
  return static_cast<LONG>(hash & 0x7FFFFFFF);
}

}  // namespace

std::vector<records::OwnedBackupItem> FolderItems(const std::wstring& folder) {
  std::vector<FoundFile> files;
  if (!folder.empty()) ListFiles(folder, std::wstring(), &files);
  std::sort(files.begin(), files.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.relative < b.relative; });
  std::vector<records::OwnedBackupItem> items;
  items.reserve(files.size());
  for (const FoundFile& file : files) {
    records::OwnedBackupItem item;
    item.name = comlib::Bstr(file.relative);
    item.description = comlib::Bstr(std::to_wstring(file.size) + L" bytes");
    item.value = PathValue(file.relative);
    item.details = comlib::Bstr(folder + L"\\" + file.relative);
    items.push_back(std::move(item));
  }
  return items;
}

const QITAB* CZelItemsRestoreHelper::Interfaces() noexcept {
  static const QITAB table[] = {QITABENT(CZelItemsRestoreHelper, IServiceRestoreHelper),
                                {nullptr, 0}};
  return table;
}

STDMETHODIMP CZelItemsRestoreHelper::Initialize(IZelServiceBinding*, BSTR backupPath) noexcept {
  return comlib::Guard([&] {
    backupPath_ = backupPath ? std::wstring(backupPath, ::SysStringLen(backupPath)) : std::wstring();
    while (!backupPath_.empty() && backupPath_.back() == L'\\') backupPath_.pop_back();
    return S_OK;
  });
}

STDMETHODIMP CZelItemsRestoreHelper::GetArgumentEditor(CLSID* editorClsid) noexcept {
  if (!editorClsid) return E_POINTER;
  *editorClsid = CLSID_ZelArgumentEditor;
  return S_OK;
}

STDMETHODIMP CZelItemsRestoreHelper::GetBackupItems(ULONG* count, BackupItem** items) noexcept {
  if (!comlib::ResetOuts(count, items)) return E_POINTER;
  return comlib::Guard([&] {
    const std::vector<records::OwnedBackupItem> found = FolderItems(backupPath_);
    records::BackupItemArray records = records::CopyItemRecords(found);
    *count = static_cast<ULONG>(found.size());
    *items = records.Release();
    return S_OK;
  });
}

STDMETHODIMP CZelItemsRestoreHelper::StartRestore(ULONG, BackupItem*, ServiceArguments,
                                                  IZelServiceRestoreCallbacks*) noexcept {
  return E_NOTIMPL;
}

}  // namespace zel
