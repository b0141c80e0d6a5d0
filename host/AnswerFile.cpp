#include "AnswerFile.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "comlib/Unique.h"
#include "comlib/Utf8.h"
#include "comlib/WholeFile.h"

namespace host {

const wchar_t kThisComputer[] = L"%COMPUTERNAME%";

namespace {

std::wstring Trim(const std::wstring& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && std::iswspace(s[begin])) ++begin;
  while (end > begin && std::iswspace(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

bool Same(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring> SplitList(const std::wstring& value) {
  std::vector<std::wstring> items;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t end = std::min(value.find(L';', start), value.size());
    const std::wstring item = Trim(value.substr(start, end - start));
    if (!item.empty()) items.push_back(item);
    start = end + 1;
  }
  return items;
}

bool Flag(const std::wstring& value, bool* flag) {
  if (value == L"0" || value == L"1") {
    *flag = value == L"1";
    return true;
  }
  return false;
}

// "FolderN" with N a positive number.
bool FolderKey(const std::wstring& key, size_t* index) {
  if (key.size() < 7 || !Same(key.substr(0, 6), L"Folder")) return false;
  size_t n = 0;
  for (size_t i = 6; i < key.size(); ++i) {
    if (key[i] < L'0' || key[i] > L'9' || n > 100000) return false;
    n = n * 10 + (key[i] - L'0');
  }
  if (n == 0) return false;
  *index = n;
  return true;
}

// What a section makes of one of its lines.
enum class Take { Taken, UnknownKey, Refused };

struct Parsed {
  Answers answers;
  std::vector<std::pair<size_t, std::wstring>> folders;  // by number, sorted at the end
};

using SectionParser = Take (*)(const std::wstring& key, const std::wstring& value, Parsed* parsed,
                               std::wstring* why);

Take WizardKey(const std::wstring& key, const std::wstring& value, Parsed* parsed, std::wstring*) {
  if (!Same(key, L"Tool")) return Take::UnknownKey;
  parsed->answers.tool = value;
  return Take::Taken;
}

Take BackupsKey(const std::wstring& key, const std::wstring& value, Parsed* parsed, std::wstring* why) {
  size_t folder = 0;
  if (FolderKey(key, &folder)) {
    for (const auto& f : parsed->folders) {
      if (f.first == folder) {
        *why = L"'" + key + L"' given twice";
        return Take::Refused;
      }
    }
    parsed->folders.emplace_back(folder, value);
  } else if (Same(key, L"Backup")) {
    parsed->answers.backup = value;
  } else if (Same(key, L"Services")) {
    parsed->answers.services = SplitList(value);
  } else {
    return Take::UnknownKey;
  }
  return Take::Taken;
}

Take DirectoriesKey(const std::wstring& key, const std::wstring& value, Parsed* parsed, std::wstring*) {
  Answers& a = parsed->answers;
  if (Same(key, L"ServerData")) a.serverData = value;
  else if (Same(key, L"ServerData2")) a.serverData2 = value;
  else if (Same(key, L"ProjectData")) a.projectData = value;
  else if (Same(key, L"WorkplaceData")) a.workplaceData = value;
  else return Take::UnknownKey;
  return Take::Taken;
}

Take IdentityKey(const std::wstring& key, const std::wstring& value, Parsed* parsed, std::wstring* why) {
  if (Same(key, L"NewSystemId")) {
    bool flag = false;
    if (!Flag(value, &flag)) {
      *why = L"NewSystemId must be 0 or 1";
      return Take::Refused;
    }
    parsed->answers.newSystemId = flag;
  } else if (Same(key, L"SystemName")) {
    parsed->answers.systemName = value;
  } else {
    return Take::UnknownKey;
  }
  return Take::Taken;
}

// Every key is a node's name in the backup.
Take NodesKey(const std::wstring& key, const std::wstring& value, Parsed* parsed, std::wstring* why) {
  for (const auto& pair : parsed->answers.nodes) {
    if (Same(pair.first, key.c_str())) {
      *why = L"node '" + key + L"' given twice";
      return Take::Refused;
    }
  }
  parsed->answers.nodes.emplace_back(key, value);
  return Take::Taken;
}

Take RestoreKey(const std::wstring& key, const std::wstring& value, Parsed* parsed, std::wstring* why) {
  if (!Same(key, L"ContinueOnWarning")) return Take::UnknownKey;
  if (!Flag(value, &parsed->answers.continueOnWarning)) {
    *why = L"ContinueOnWarning must be 0 or 1";
    return Take::Refused;
  }
  return Take::Taken;
}

struct Section {
  const wchar_t* name;
  SectionParser parse;
};

const Section kSections[] = {
    {L"Wizard", WizardKey},         {L"Backups", BackupsKey}, {L"Directories", DirectoriesKey},
    {L"Identity", IdentityKey},     {L"Nodes", NodesKey},     {L"Restore", RestoreKey},
};

const Section* FindSection(const std::wstring& name) {
  for (const Section& s : kSections)
    if (Same(name, s.name)) return &s;
  return nullptr;
}

}  // namespace

bool ParseAnswers(const std::wstring& text, Answers* answers, std::wstring* error) {
  Parsed parsed;
  std::wstring sectionName;  // as written, for the messages
  const Section* section = nullptr;
  size_t lineNumber = 0;
  size_t start = 0;
  auto fail = [&](const std::wstring& why) {
    if (error) *error = L"line " + std::to_wstring(lineNumber) + L": " + why;
    return false;
  };
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++lineNumber;
    if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
    if (line.front() == L'[') {
      if (line.back() != L']') return fail(L"a section name must end with ']'");
      sectionName = Trim(line.substr(1, line.size() - 2));
      section = FindSection(sectionName);
      if (!section) return fail(L"unknown section [" + sectionName + L"]");
      continue;
    }
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return fail(L"expected key=value");
    const std::wstring key = Trim(line.substr(0, equals));
    const std::wstring value = Trim(line.substr(equals + 1));
    if (key.empty()) return fail(L"a key is missing before '='");
    if (!section) return fail(L"key '" + key + L"' outside a section");
    std::wstring why;
    switch (section->parse(key, value, &parsed, &why)) {
      case Take::Taken:
        break;
      case Take::Refused:
        return fail(why);
      case Take::UnknownKey:
        return fail(L"unknown key '" + key + L"' in [" + sectionName + L"]");
    }
  }
  std::sort(parsed.folders.begin(), parsed.folders.end());
  for (auto& f : parsed.folders) parsed.answers.folders.push_back(std::move(f.second));
  *answers = std::move(parsed.answers);
  return true;
}

std::wstring FormatAnswers(const Answers& a) {
  std::wstring out;
  auto line = [&out](const std::wstring& key, const std::wstring& value) {
    out += key + L"=" + value + L"\r\n";
  };
  if (!a.tool.empty()) {
    out += L"[Wizard]\r\n";
    line(L"Tool", a.tool);
    out += L"\r\n";
  }
  out += L"[Backups]\r\n";
  for (size_t i = 0; i < a.folders.size(); ++i) line(L"Folder" + std::to_wstring(i + 1), a.folders[i]);
  line(L"Backup", a.backup);
  if (!a.services.empty()) {
    std::wstring list;
    for (const auto& s : a.services) list += (list.empty() ? L"" : L";") + s;
    line(L"Services", list);
  }
  out += L"\r\n[Directories]\r\n";
  if (a.serverData) line(L"ServerData", *a.serverData);
  if (a.serverData2) line(L"ServerData2", *a.serverData2);
  if (a.projectData) line(L"ProjectData", *a.projectData);
  if (a.workplaceData) line(L"WorkplaceData", *a.workplaceData);
  out += L"\r\n[Identity]\r\n";
  if (a.newSystemId) line(L"NewSystemId", *a.newSystemId ? L"1" : L"0");
  if (!a.systemName.empty()) line(L"SystemName", a.systemName);
  out += L"\r\n[Nodes]\r\n";
  for (const auto& pair : a.nodes) line(pair.first, pair.second);
  out += L"\r\n[Restore]\r\n";
  line(L"ContinueOnWarning", a.continueOnWarning ? L"1" : L"0");
  return out;
}

bool ReadAnswerFile(const std::wstring& path, Answers* answers, std::wstring* error) {
  comlib::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  if (!file) {
    if (error) *error = L"cannot open " + path;
    return false;
  }
  std::string bytes;
  if (!comlib::ReadWholeFile(file.get(), &bytes, 1 << 20)) {
    if (error) *error = L"cannot read " + path;
    return false;
  }
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  } else {
    const size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::optional<std::wstring> utf16 = comlib::FromUtf8Strict(std::string_view(bytes).substr(skip));
    if (!utf16) {
      if (error) *error = path + L" is not UTF-8 text";
      return false;
    }
    text = std::move(*utf16);
  }
  if (!ParseAnswers(text, answers, error)) {
    if (error) *error = path + L", " + *error;
    return false;
  }
  return true;
}

bool WriteAnswerFile(const std::wstring& path, const Answers& answers) {
  return comlib::WriteWholeFile(path, comlib::ToUtf8(FormatAnswers(answers)));
}

}  // namespace host
