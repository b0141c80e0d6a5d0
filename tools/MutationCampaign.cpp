#include "MutationCampaign.h"

#include <algorithm>

#include "CatalogueCheck.h"
#include "catalogue/Persistency.h"
#include "comlib/WholeFile.h"
#include "settings/WizardSettings.h"

namespace mutation {

namespace {

uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

const char* const kIds[] = {
    "{11111111-1111-1111-1111-111111111111}", "{22222222-2222-2222-2222-222222222222}",
    "{33333333-3333-3333-3333-333333333333}", "{00000000-0000-0000-0000-000000000000}",
    "{ABCDEF01-2345-6789-ABCD-EF0123456789}", "not an id",
};

// Pieces that hostile or broken files are made of.
const char* const kTokens[] = {
    "<!DOCTYPE BACKUP [<!ENTITY e \"x\">]>",
    "<!DOCTYPE BACKUP [<!ENTITY leak SYSTEM \"secret.txt\">]>",
    "<!DOCTYPE BACKUP SYSTEM \"secret.txt\">",
    "<!ENTITY a \"&a;&a;\">",
    "&leak;",
    "&e;",
    "&amp;",
    "&#0;",
    "&#xFFFE;",
    "&#xD800;",
    "&#65;",
    "&#x1F600;",
    "<![CDATA[<!DOCTYPE x>]]>",
    "<!-- utf-7 <!DOCTYPE -->",
    "<!--",
    "-->",
    "<?xml version=\"1.0\" encoding=\"UTF-7\"?>",
    "<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
    "<?xml version=\"1.0\"?>",
    "<?pi data?>",
    "\xEF\xBB\xBF",
    "\xFF\xFE",
    "\xFE\xFF",
    "+ADw-!DOCTYPE",
    "UTF-7",
    "<SYSTEM>",
    "</SYSTEM>",
    "<SYSTEM/>",
    "<SERVICE Name=\"s\" Id=\"{11111111-1111-1111-1111-111111111111}\"/>",
    "<NODE NodeName=\"n\" NodeId=\"{22222222-2222-2222-2222-222222222222}\"/>",
    "<RESTORENODE NodeId=\"{22222222-2222-2222-2222-222222222222}\"/>",
    "<PATH Name=\"C:\\Backups\"/>",
    "<PATH Name=\"\"/>",
    "<PATH Name=\"..\"/>",
    " Name=\"x\"",
    " ParentId=\"{11111111-1111-1111-1111-111111111111}\"",
    " xmlns:a=\"urn:a\"",
    " a:b=\"c\"",
    " undeclared:p=\"q\"",
    "\"",
    "'",
    "<",
    ">",
    "/>",
    "</",
    "\r\n",
    "\t",
    "\xC3\x28",
    "\xF0\x9F\x98\x80",
    "\xED\xA0\x80",
    "\x01",
};
constexpr size_t kTokenCount = sizeof kTokens / sizeof kTokens[0];

std::string Id(Random& r) { return kIds[r.Below(sizeof kIds / sizeof kIds[0])]; }

std::string SoundInfoFile(Random& r) {
  std::string text;
  if (r.Below(3) == 0) text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  if (r.Below(5) == 0) {  // the legacy layout
    text += "<SYSTEMINFO SystemName=\"Old\" SystemDescription=\"utf-7 mail\">";
    for (size_t n = r.Below(4); n > 0; --n) text += "<NODE NodeName=\"N" + std::to_string(n) + "\" NodeId=\"" + Id(r) + "\"/>";
    return text + "<RESTORENODE NodeId=\"" + Id(r) + "\" ProjectDataPath=\"D:\\P\"/></SYSTEMINFO>";
  }
  text += "<BACKUP Name=\"Plant &amp; UTF-7 " + std::to_string(r.Below(1000)) + "\" Id=\"" + Id(r) +
          "\" ParentId=\"" + Id(r) + "\">\r\n";
  for (size_t n = r.Below(3); n > 0; --n)
    text += "  <SERVICE Name=\"S" + std::to_string(n) + "\" Id=\"" + Id(r) + "\" HelperId=\"" + Id(r) +
            "\" BackupPath=\"D:\\B\\S\"/>\r\n";
  text += "  <!-- written by the backup, not a <!DOCTYPE -->\r\n";
  text += "  <SYSTEM SystemName=\"Sys\" SystemDescription=\"Desc\">\r\n";
  for (size_t n = 1 + r.Below(4); n > 0; --n)
    text += "    <NODE NodeName=\"N" + std::to_string(n) + "\" NodeId=\"" + Id(r) + "\"/>\r\n";
  text += "    <RESTORENODE NodeName=\"N1\" NodeId=\"" + Id(r) +
          "\" ProjectDataPath=\"D:\\P\" ServerDataPath=\"D:\\S\" ServerData2Path=\"D:\\S2\" "
          "WorkplaceDataPath=\"D:\\W\"/>\r\n";
  return text + "  </SYSTEM>\r\n</BACKUP>\r\n";
}

std::string SoundSettingsFile(Random& r) {
  static const char* const folders[] = {
      "C:\\Backups", "E:\\Archive\\UTF-7 mail", "D:\\&lt;!DOCTYPE x&gt;", "\\\\server\\share\\B",
      "C:\\A &amp; B", "D:\\Gr\xC3\xBC\xC3\x9F" "e", "", ".", "Backups", "C:",
  };
  std::string text = r.Below(2) ? "<?xml version=\"1.0\"?>\r\n" : "";
  text += "<RESTOREWIZARD>";
  for (size_t n = 1 + r.Below(6); n > 0; --n)
    text += "<PATH Name=\"" + std::string(folders[r.Below(sizeof folders / sizeof folders[0])]) + "\"/>";
  return text + "</RESTOREWIZARD>";
}

std::string ToUtf16(const std::string& text, bool bigEndian, bool mark) {
  std::string wide = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : text) wide += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return wide;
}

void Mutate(Random& r, std::string* text) {
  std::string& t = *text;
  const size_t at = r.Below(t.size() + 1);
  switch (r.Below(10)) {
    case 0:
      if (!t.empty()) t[r.Below(t.size())] = static_cast<char>(r.Below(256));
      break;
    case 1: t.insert(at, 1, static_cast<char>(r.Below(256))); break;
    case 2: t.erase(at, 1 + r.Below(16)); break;
    case 3: {
      const size_t from = r.Below(t.size() + 1);
      t.insert(at, t.substr(from, 1 + r.Below(64)));
      break;
    }
    case 4:
    case 5: {
      t.insert(at, kTokens[r.Below(kTokenCount)]);
      break;
    }
    case 6: t.resize(at); break;
    case 7: t.insert(0, kTokens[r.Below(kTokenCount)]); break;
    case 8:
      if (r.Below(8) == 0) t = ToUtf16(t, r.Below(2) != 0, r.Below(3) != 0);
      break;
    case 9:
      // Now and then a file near or above the size limit.
      if (r.Below(200) == 0) {
        const std::string piece = t.substr(r.Below(t.size() + 1), 1 + r.Below(32));
        const size_t target = static_cast<size_t>(xml::kMaxFileBytes) - 4096 + r.Below(8192);
        std::string grown;
        while (!piece.empty() && grown.size() < target) grown += piece;
        t.insert(at, grown);
      }
      break;
  }
}

std::wstring Numbered(const wchar_t* prefix, size_t n) {
  wchar_t name[32];
  swprintf(name, 32, L"%ls%07zu", prefix, n);
  return name;
}

bool Leaks(const comlib::Bstr& text) { return text.str().find(L"TOPSECRET") != std::wstring::npos; }

void RunInfoFiles(const Options& o, Random& r, Summary* s) {
  const std::wstring root = o.folder + L"\\info";
  ::CreateDirectoryW(root.c_str(), nullptr);
  // What an external entity would bring in, were one ever resolved.
  comlib::WriteWholeFile(root + L"\\secret.txt", "TOPSECRET");
  comlib::WriteWholeFile(o.folder + L"\\secret.txt", "TOPSECRET");
  for (size_t i = 0; i < o.infoFiles; ++i) {
    const std::string bytes = MutatedInfoFile(r);
    const std::wstring folder = root + L"\\" + Numbered(L"B", i);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    if (!comlib::WriteWholeFile(folder + L"\\BackupInfo.xml", bytes)) s->faults.push_back(L"cannot write " + folder);
  }
  s->infoFiles = o.infoFiles;

  CatalogueCheck check;
  check.Run({comlib::Bstr(root)});
  s->found = check.FoundCount();
  s->listed = check.Tree().size();
  s->dropped = check.DroppedFiles().size();
  if (s->found != o.infoFiles)
    s->faults.push_back(L"found " + std::to_wstring(s->found) + L" of " + std::to_wstring(o.infoFiles) + L" files");
  if (s->listed + s->dropped != s->found)
    s->faults.push_back(L"listed " + std::to_wstring(s->listed) + L" and dropped " + std::to_wstring(s->dropped) +
                        L" of " + std::to_wstring(s->found) + L" files");
  for (const auto& skipped : check.SkippedFolders()) s->faults.push_back(L"folder not searched: " + skipped.folder);
  for (const CatalogueCheck::Dropped& d : check.DroppedFiles()) {
    const std::wstring reason = CatalogueCheck::ReasonText(d.reason);
    ++s->reasons[reason];
    using Reason = CatalogueCheck::Reason;
    const bool loadFailure = d.reason == Reason::CannotRead || d.reason == Reason::TooLarge ||
                             d.reason == Reason::EncodingNotTaken || d.reason == Reason::DeclaresDocumentType ||
                             d.reason == Reason::NotWellFormed;
    if (reason.empty() || d.reason == Reason::CannotLoad || (loadFailure && d.detail.empty()))
      s->faults.push_back(L"dropped without its cause: " + d.path + L": " + reason + L" " + d.detail);
  }
  for (const BackupNode& entry : check.Catalogue().entries) {
    bool leaked = Leaks(entry.name) || Leaks(entry.systemName) || Leaks(entry.systemDescription) ||
                  Leaks(entry.projectDataPath) || Leaks(entry.serverDataPath);
    for (const comlib::Bstr& node : entry.nodeNames) leaked = leaked || Leaks(node);
    if (leaked) s->faults.push_back(L"an external entity was resolved: " + entry.infoFilePath.str());
  }
}

void RunSettingsFiles(const Options& o, Random& r, Summary* s) {
  const std::wstring base = o.folder + L"\\settings";
  ::CreateDirectoryW(base.c_str(), nullptr);
  ::CreateDirectoryW(settings::SettingsFolder(base, false).c_str(), nullptr);
  const Persistency settings(base);
  const std::wstring file = settings.SettingsFile();
  for (size_t i = 0; i < o.settingsFiles; ++i) {
    const std::wstring which = L"settings file " + std::to_wstring(i) + L": ";
    const std::string bytes = MutatedSettingsFile(r);
    if (!comlib::WriteWholeFile(file, bytes)) {
      s->faults.push_back(which + L"cannot be written");
      continue;
    }
    ++s->settingsFiles;
    std::vector<comlib::Bstr> read;
    xml::LoadFailure failure;
    const HRESULT status = settings.ReadPaths(&read, &failure);
    if (status == S_OK) {
      ++s->settingsRead;
      // What was read is saved and reads back the same.
      const HRESULT saved = settings.WritePaths(read);
      std::vector<comlib::Bstr> again;
      if (saved == E_INVALIDARG) {
        if (comlib::ReadWholeFile(file) != bytes) s->faults.push_back(which + L"a refused list changed the file");
      } else if (FAILED(saved)) {
        s->faults.push_back(which + L"the list read cannot be saved: " + xml::StatusText(saved));
      } else if (settings.ReadPaths(&again) != S_OK || again != read) {
        s->faults.push_back(which + L"the list read does not read back the same after a save");
      }
      continue;
    }
    ++s->settingsRefused;
    const std::wstring cause = failure.Describe();
    ++s->reasons[L"settings: " + cause.substr(0, std::min(cause.find(L':'), cause.find(L" at line")))];
    if (status != S_FALSE || failure.kind == xml::LoadFailure::Kind::None || failure.Missing()) {
      s->faults.push_back(which + L"refused without its cause");
      continue;
    }
    // The bytes of a file that cannot be read are kept before it is replaced.
    std::wstring kept;
    const HRESULT saved = settings.WritePaths({comlib::Bstr(L"C:\\New")}, &kept);
    if (FAILED(saved)) {
      s->faults.push_back(which + L"cannot be replaced: " + xml::StatusText(saved));
    } else if (kept.empty() || comlib::ReadWholeFile(kept) != bytes) {
      s->faults.push_back(which + L"its bytes were not kept before it was replaced");
    } else {
      ++s->keptCopies;
    }
    if (!kept.empty()) ::DeleteFileW(kept.c_str());
  }
}

}  // namespace

uint64_t Random::Next() { return Mix(state_ += 0x9E3779B97F4A7C15ull); }

std::string MutatedInfoFile(Random& random) {
  std::string bytes = SoundInfoFile(random);
  for (size_t m = 1 + random.Below(3); m > 0; --m) Mutate(random, &bytes);
  return bytes;
}

std::string MutatedSettingsFile(Random& random) {
  std::string bytes = SoundSettingsFile(random);
  for (size_t m = random.Below(3); m > 0; --m) Mutate(random, &bytes);
  return bytes;
}

Summary Run(const Options& options) {
  Summary summary;
  Random random(options.seed);
  RunInfoFiles(options, random, &summary);
  RunSettingsFiles(options, random, &summary);
  return summary;
}

std::wstring Report(const Summary& s) {
  std::wstring text = L"Information files: " + std::to_wstring(s.infoFiles) + L" written, " +
                      std::to_wstring(s.found) + L" found, " + std::to_wstring(s.listed) + L" listed, " +
                      std::to_wstring(s.dropped) + L" dropped\n";
  text += L"Settings files: " + std::to_wstring(s.settingsFiles) + L" written, " + std::to_wstring(s.settingsRead) +
          L" read, " + std::to_wstring(s.settingsRefused) + L" refused, " + std::to_wstring(s.keptCopies) +
          L" kept before replacing\n";
  for (const auto& [reason, count] : s.reasons) text += L"  " + std::to_wstring(count) + L"  " + reason + L"\n";
  text += L"Faults: " + std::to_wstring(s.faults.size()) + L"\n";
  for (const std::wstring& fault : s.faults) text += L"fault: " + fault + L"\n";
  return text;
}

}  // namespace mutation
