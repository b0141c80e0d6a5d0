// Runs the mutation campaign of the test suite for any count and seed, and
// measures the peak memory of loading the worst shapes of the largest file
// the XML layer accepts.
//   mutation_campaign [--seed N] [--info N] [--settings N] [--keep FOLDER]
//   mutation_campaign --memory        every shape, each in a process of its own
//   mutation_campaign --load FILE     one file through the catalogue's reader
// Exit code: 0 sound, 1 faults found, 2 bad arguments.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "ToolSupport.h"
#include "MutationCampaign.h"
#include "catalogue/LoadFailure.h"
#include "comlib/Unique.h"
#include "comlib/WholeFile.h"
#include "catalogue/ReadXML.h"

namespace {

const wchar_t kUsage[] =
    L"usage: mutation_campaign [--seed N] [--info N] [--settings N] [--keep FOLDER]\n"
    L"       mutation_campaign --memory | --load FILE\n"
    L"Writes mutated information and settings files from the seed, runs them\n"
    L"through the catalogue and the settings file, and lists every fault: a file\n"
    L"neither listed nor dropped with its cause, a settings list that does not\n"
    L"survive a save, an unreadable settings file replaced without a copy.\n"
    L"--keep writes into FOLDER (new or empty) and leaves the files there.\n"
    L"--memory loads files of the largest accepted size in the worst shapes, each\n"
    L"in a fresh process, and prints each process's peak memory.\n"
    L"Exit code: 0 sound, 1 faults, 2 bad arguments.\n";

bool Number(const std::wstring& text, unsigned long long* value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  *value = std::wcstoull(text.c_str(), &end, 10);
  return end && *end == 0;
}

std::wstring Megabytes(SIZE_T bytes) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%.1f MB", bytes / (1024.0 * 1024.0));
  return text;
}

// One file through the reader the catalogue uses; prints the process's peaks.
int Load(const std::wstring& file) {
  ReadXML reader(file.c_str());
  const HRESULT status = reader.Read();
  PROCESS_MEMORY_COUNTERS counters = {sizeof counters};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  WriteText(STD_OUTPUT_HANDLE, L"status " + std::to_wstring(status) + L" " +
                                   (status == S_FALSE ? reader.Failure().Describe() : std::wstring()) +
                                   L"\npeak working set " + Megabytes(counters.PeakWorkingSetSize) +
                                   L", peak committed " + Megabytes(counters.PeakPagefileUsage) + L"\n");
  return 0;
}

std::string Repeat(const std::string& head, const std::string& piece, const std::string& tail, size_t size) {
  std::string text = head;
  while (text.size() + piece.size() + tail.size() <= size) text += piece;
  text += tail;
  text.append(size - text.size(), ' ');
  return text;
}

std::string Utf16(const std::string& text) {
  std::string wide = "\xFF\xFE";
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

int Memory() {
  const size_t size = static_cast<size_t>(xml::kMaxFileBytes);
  const std::string node = "<NODE NodeName=\"Workstation-17\" NodeId=\"{AAAAAAAA-0000-0000-0000-000000000001}\"/>\r\n";
  std::string attributes = "<a";
  for (char c = 'A'; c <= 'Z'; ++c) attributes += std::string(" ") + c + "=\"\"";
  attributes += "/>";
  const struct {
    const wchar_t* name;
    std::string bytes;
  } shapes[] = {
      {L"real nodes", Repeat("<B Name=\"x\"><SYSTEM>", node, "</SYSTEM></B>", size)},
      {L"empty NODE elements", Repeat("<B Name=\"x\"><SYSTEM>", "<NODE/>", "</SYSTEM></B>", size)},
      {L"empty elements", Repeat("<B Name=\"x\"><SYSTEM>", "<a/>", "</SYSTEM></B>", size)},
      {L"empty attributes", Repeat("<B Name=\"x\"><SYSTEM>", attributes, "</SYSTEM></B>", size)},
      {L"comments", Repeat("<B Name=\"x\"><SYSTEM>", "<!---->", "</SYSTEM></B>", size)},
      {L"text and elements", Repeat("<B Name=\"x\"><SYSTEM>", "x<a/>", "</SYSTEM></B>", size)},
      {L"text and NODE elements", Repeat("<B Name=\"x\"><SYSTEM>", "x<NODE/>", "</SYSTEM></B>", size)},
      {L"text and comments", Repeat("<B Name=\"x\"><SYSTEM>", "x<!---->", "</SYSTEM></B>", size)},
      {L"UTF-16 text and elements", Utf16(Repeat("<B Name=\"x\"><SYSTEM>", "x<a/>", "</SYSTEM></B>", size / 2 - 1))},
      {L"character references", Repeat("<B Name=\"", "&#65;", "\"><SYSTEM><NODE/></SYSTEM></B>", size)},
      {L"one long attribute", Repeat("<B Name=\"", "x", "\"><SYSTEM><NODE/></SYSTEM></B>", size)},
      {L"nesting", Repeat("<B Name=\"x\"><SYSTEM>", "<a>", "</SYSTEM></B>", size)},
  };
  wchar_t self[MAX_PATH], temp[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"mutation_campaign_shape.xml";
  WriteText(STD_OUTPUT_HANDLE, L"Files of " + std::to_wstring(size) + L" bytes (the limit), each loaded in a fresh process\n");
  for (const auto& shape : shapes) {
    comlib::WriteWholeFile(file, shape.bytes);
    WriteText(STD_OUTPUT_HANDLE, std::wstring(L"== ") + shape.name + L"\n");
    std::wstring command = L"\"" + std::wstring(self) + L"\" --load \"" + file + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      continue;
    const comlib::UniqueHandle thread(process.hThread), child(process.hProcess);
    ::WaitForSingleObject(child.get(), INFINITE);
  }
  ::DeleteFileW(file.c_str());
  return 0;
}

int Run(int argc, wchar_t** argv) {
  mutation::Options options;
  std::wstring keep;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    unsigned long long value = 0;
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      WriteText(STD_OUTPUT_HANDLE, kUsage);
      return 0;
    } else if (arg == L"--memory") {
      return Memory();
    } else if (arg == L"--load" && hasValue) {
      return Load(argv[++i]);
    } else if (arg == L"--keep" && hasValue) {
      keep = argv[++i];
    } else if ((arg == L"--seed" || arg == L"--info" || arg == L"--settings") && hasValue && Number(argv[i + 1], &value)) {
      ++i;
      if (arg == L"--seed") options.seed = value;
      if (arg == L"--info") options.infoFiles = static_cast<size_t>(value);
      if (arg == L"--settings") options.settingsFiles = static_cast<size_t>(value);
    } else {
      WriteText(STD_ERROR_HANDLE, L"mutation_campaign: bad argument " + arg + L"\n" + kUsage);
      return 2;
    }
  }
  if (keep.empty()) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    GUID g;
    ::CoCreateGuid(&g);
    wchar_t name[64];
    std::swprintf(name, 64, L"mutation%08lx", static_cast<unsigned long>(g.Data1));
    options.folder = std::wstring(temp) + name;
  } else {
    options.folder = keep;
  }
  ::CreateDirectoryW(options.folder.c_str(), nullptr);
  WriteText(STD_OUTPUT_HANDLE, L"Seed " + std::to_wstring(options.seed) + L", folder " + options.folder + L"\n");
  const DWORD start = ::GetTickCount();
  const mutation::Summary summary = mutation::Run(options);
  const DWORD elapsed = ::GetTickCount() - start;
  WriteText(STD_OUTPUT_HANDLE, mutation::Report(summary) + L"Elapsed " + std::to_wstring(elapsed) + L" ms\n");
  if (keep.empty()) RemoveTree(options.folder);
  return summary.faults.empty() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return RunInApartment(L"mutation_campaign", Run, argc, argv); }
