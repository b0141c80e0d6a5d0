// Times the catalogue against the work it cannot avoid.
//   catalogue_bench N
// Generates N backups in chains of five (each folder with data subfolders
// and files), then times (a) a bare recursive folder walk, (b) the walk plus
// loading every information file with the XML layer, (c) SetPaths + Load +
// BuildDependencies, (d) page 1's fill of its backup tree from that
// catalogue. Each figure is the best of three runs.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ConsoleText.h"
#include "ToolSupport.h"
#include "catalogue/BackupNodes.h"
#include "catalogue/ObjectIds.h"
#include "catalogue/Xml.h"
#include "selection/BackupTree.h"

namespace {

constexpr int kChainLength = 5;

void WriteFileText(const std::wstring& path, const std::string& text) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(h);
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

ObjectId MakeId(unsigned long serial, unsigned short kind) {
  ObjectId id = {};
  id.Data1 = serial;
  id.Data2 = kind;
  id.Data3 = 0x4abc;
  id.Data4[0] = 0x8f;
  return id;
}

void Generate(const std::wstring& base, int count) {
  ::CreateDirectoryW(base.c_str(), nullptr);
  std::wstring chain;
  for (int i = 0; i < count; ++i) {
    wchar_t name[64];
    if (i % kChainLength == 0) {
      swprintf(name, 64, L"\\Chain%05d", i / kChainLength);
      chain = base + name;
      ::CreateDirectoryW(chain.c_str(), nullptr);
    }
    swprintf(name, 64, L"\\Backup%06d", i);
    const std::wstring folder = chain + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::string id = Narrow(ObjectIdToText(MakeId(i + 1, 1)));
    const std::string parent = i % kChainLength == 0 ? "" : Narrow(ObjectIdToText(MakeId(i, 1)));
    const std::string node = Narrow(ObjectIdToText(MakeId(i + 1, 2)));
    const std::string service = Narrow(ObjectIdToText(MakeId(i + 1, 3)));
    std::string xml = "<?xml version=\"1.0\"?>\n<BACKUP Name=\"Backup " + std::to_string(i) + "\" Id=\"" + id +
                      "\" ParentId=\"" + parent + "\">\n"
                      "  <SERVICE Name=\"Historian\" Id=\"" + service + "\" HelperId=\"" + service +
                      "\" BackupPath=\"Historian\"/>\n"
                      "  <SYSTEM SystemName=\"Plant\" SystemDescription=\"Synthetic system\">\n"
                      "    <NODE NodeName=\"SRV1\" NodeId=\"" + node + "\"/>\n"
                      "    <NODE NodeName=\"WS1\" NodeId=\"" + id + "\"/>\n"
                      "    <RESTORENODE NodeName=\"SRV1\" NodeId=\"" + node +
                      "\" ProjectDataPath=\"D:\\Project\" ServerDataPath=\"D:\\Server\""
                      " ServerData2Path=\"D:\\Server2\" WorkplaceDataPath=\"D:\\Workplace\"/>\n"
                      "  </SYSTEM>\n</BACKUP>\n";
    WriteFileText(folder + L"\\BackupInfo.xml", xml);
    for (const wchar_t* data : {L"\\Data", L"\\Historian", L"\\Logs"}) {
      const std::wstring sub = folder + data;
      ::CreateDirectoryW(sub.c_str(), nullptr);
      WriteFileText(sub + L"\\part1.dat", std::string(512, 'x'));
      WriteFileText(sub + L"\\part2.dat", std::string(256, 'y'));
    }
  }
}

// The plain walk any catalogue needs: every folder listed once.
void Walk(const std::wstring& folder, std::vector<std::wstring>* found) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* n = data.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Walk(folder + L"\\" + n, found);
    else if (::CompareStringOrdinal(n, -1, L"BackupInfo.xml", -1, TRUE) == CSTR_EQUAL)
      found->push_back(folder + L"\\" + n);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

template <class F>
double BestOfThree(F&& f) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    LARGE_INTEGER a, b;
    ::QueryPerformanceCounter(&a);
    f();
    ::QueryPerformanceCounter(&b);
    best = std::min(best, Seconds(a, b));
  }
  return best;
}

size_t CountItems(HWND tree, HTREEITEM first) {
  size_t count = 0;
  for (HTREEITEM item = first; item;
       item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    ++count;
    count += CountItems(tree, reinterpret_cast<HTREEITEM>(
                                  ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))));
  }
  return count;
}

// Page 1's tree fill into a tree view of the page's styles, hidden.
double TimeTreeFill(BackupNodes* catalogue, size_t* items) {
  HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                TVS_SHOWSELALWAYS, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
  if (!tree) return 0;
  const double best = BestOfThree([&] { selection::FillBackupTree(tree, catalogue); });
  *items = CountItems(tree, reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
  ::DestroyWindow(tree);
  return best;
}

std::wstring Format(const wchar_t* format, double value) {
  wchar_t text[128];
  swprintf(text, 128, format, value);
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int count = argc == 2 ? _wtoi(argv[1]) : 0;
  if (count <= 0) {
    WriteText(STD_ERROR_HANDLE, L"usage: catalogue_bench N   (N backups, N > 0)\n");
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring base = std::wstring(temp) + L"catalogue_bench_" + std::to_wstring(count) + L"_" +
                            std::to_wstring(::GetCurrentProcessId());
  LARGE_INTEGER g0, g1;
  ::QueryPerformanceCounter(&g0);
  Generate(base, count);
  ::QueryPerformanceCounter(&g1);

  size_t walked = 0, loaded = 0, listed = 0;
  std::vector<std::wstring> warm;
  Walk(base, &warm);  // the same cache state for every figure
  const double a = BestOfThree([&] {
    std::vector<std::wstring> found;
    Walk(base, &found);
    walked = found.size();
  });
  const double b = BestOfThree([&] {
    std::vector<std::wstring> found;
    Walk(base, &found);
    loaded = 0;
    for (const std::wstring& path : found) {
      xml::Document document;
      if (SUCCEEDED(document.Load(path.c_str())) && document.DocumentElement()) ++loaded;
    }
  });
  BackupNodes catalogue;
  const double c = BestOfThree([&] {
    catalogue.SetPaths({comlib::Bstr(base)});
    catalogue.Load();
    catalogue.BuildDependencies();
    listed = catalogue.entries.size();
  });
  size_t items = 0;
  const double d = TimeTreeFill(&catalogue, &items);
  RemoveTree(base);
  ::CoUninitialize();

  std::wstring report = L"N: " + std::to_wstring(count) + L"\n";
  report += Format(L"generate: %.3f s\n", Seconds(g0, g1));
  report += Format(L"(a) walk: %.3f s", a) + L" (" + std::to_wstring(walked) + L" files)\n";
  report += Format(L"(b) walk + load: %.3f s", b) + L" (" + std::to_wstring(loaded) + L" loaded)\n";
  report += Format(L"(c) SetPaths + Load + BuildDependencies: %.3f s", c) + L" (" + std::to_wstring(listed) +
            L" entries)\n";
  if (items > 0)
    report += Format(L"(d) page 1 tree fill: %.3f s", d) + L" (" + std::to_wstring(items) + L" tree items)\n";
  else
    report += L"(d) page 1 tree fill: not measured (no tree window: run it on a display)\n";
  report += Format(L"ratio c/b: %.2f\n", b > 0 ? c / b : 0.0);
  WriteText(STD_OUTPUT_HANDLE, report);
  return listed == static_cast<size_t>(count) && items == listed ? 0 : 1;
}
