#include "DetailsFixture.h"

#include <commctrl.h>

namespace details_test {

const CLSID kItemsHelper = {
    0x137876EC, 0x4163, 0x4E52, {0x90, 0x50, 0x58, 0x0E, 0x8C, 0x77, 0x8C, 0xF2}};
const CLSID kFileHelper = {
    0xD3A5F0B2, 0x6C1E, 0x4B8A, {0x9F, 0x27, 0x3E, 0x5C, 0x8A, 0x1B, 0x7D, 0x40}};
const CLSID kArgumentEditor = {
    0x962E1E4C, 0xAC44, 0x4E4A, {0xA4, 0xE8, 0x2F, 0x0C, 0x96, 0x3D, 0xE3, 0xA8}};

RECT ClientRectOf(HWND dialog, int id) {
  RECT r = {};
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) return r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}


std::vector<bool> ListChecks(HWND list) {
  std::vector<bool> checks;
  const int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) checks.push_back(ListView_GetCheckState(list, i) != 0);
  return checks;
}

void SetCheck(HWND list, int index, bool checked) { ListView_SetCheckState(list, index, checked); }

void Press(HWND dialog, int id) {
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

records::OwnedBackupItem MakeItem(const wchar_t* name, LONG value) {
  records::OwnedBackupItem item;
  item.name = comlib::Bstr(name);
  item.description = comlib::Bstr(std::wstring(name) + L" description");
  item.details = comlib::Bstr(std::wstring(L"C:\\backup\\") + name);
  for (int i = 0; i < 32; ++i) item.identifier[i] = static_cast<unsigned char>(value + i);
  item.value = value;
  return item;
}

std::vector<std::wstring> Names(const std::vector<records::OwnedBackupItem>& items) {
  std::vector<std::wstring> names;
  for (const records::OwnedBackupItem& item : items) names.push_back(item.name.str());
  return names;
}

records::OwnedArguments MakeArguments(const std::string& bytes) {
  ServiceArguments record = {static_cast<ULONG>(bytes.size()),
                             reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data()))};
  return records::OwnedArguments::Copy(record);
}

std::string Bytes(const records::OwnedArguments& arguments) {
  return arguments.IsEmpty() ? std::string()
                             : std::string(reinterpret_cast<const char*>(arguments.Data()),
                                           arguments.ByteCount());
}

}  // namespace details_test
