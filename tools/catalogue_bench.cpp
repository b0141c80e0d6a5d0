// Times the catalogue against the work it cannot avoid.
//   catalogue_bench [--workers W] N [M]
// Generates N backups (and M, given a second size) in chains of five, each
// folder with data subfolders and files, then times in interleaved rounds
// (a) a bare recursive folder walk, (b) the walk plus loading every
// information file with the XML layer, one after the other on one thread,
// and (c) SetPaths + Load + BuildDependencies, the catalogue as page 1 runs
// it, and (w) the walk alone on the pool's threads, which no catalogue on
// them can beat; a busy machine then slows all four alike. Each figure is
// the median of the rounds, with their range. (d) is page 1's fill of its
// backup tree from that catalogue, the best of three. With two sizes it
// prints how c grows between them. Then the catalogue once on one thread
// for its peak memory; hidden copies: 300 large files in weekly rotation
// folders, of which the duplicate rule lists one, loaded on the pool and on
// one thread; and a simulated share: the catalogue's file system wrapped so
// that every folder listing and every file open waits a fixed time, as on
// a network share, on one thread and on the pool. The simulation only
// waits; it does not model a real share's bandwidth or server. The last
// line is the ratio c/b of the first size.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ToolSupport.h"
#include "catalogue/BackupNodes.h"
#include "catalogue/FileFinder.h"
#include "catalogue/FileSystem.h"
#include "catalogue/ObjectIds.h"
#include "catalogue/WorkerPool.h"
#include "catalogue/Xml.h"
#include "comlib/Lock.h"
#include "selection/BackupTree.h"

namespace {

constexpr int kChainLength = 5;
constexpr int kRounds = 5;
constexpr int kHiddenCopies = 300;
constexpr int kHiddenCopyKb = 700;
constexpr DWORD kShareLatencyMs = 2;
constexpr int kShareBackups = 1000;  // at most: the serial run waits for every folder

// A simulated share: the machine's file system, with a fixed wait before
// every folder listing and every open, where a share waits on the network.
class SimulatedShare final : public FileSystem {
 public:
  explicit SimulatedShare(DWORD latencyMs) : latencyMs_(latencyMs) {}
  DWORD List(const std::wstring& pattern, const Entry& entry) override {
    ::Sleep(latencyMs_);
    return Real().List(pattern, entry);
  }
  std::wstring FinalPath(const std::wstring& path) override {
    ::Sleep(latencyMs_);
    return Real().FinalPath(path);
  }
  comlib::UniqueFile OpenForReading(const std::wstring& path) override {
    ::Sleep(latencyMs_);
    return Real().OpenForReading(path);
  }

 private:
  DWORD latencyMs_;
};

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
void Walk(const std::wstring& folder, std::vector<std::wstring>* found, size_t* folders = nullptr) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  if (folders) ++*folders;
  do {
    const wchar_t* n = data.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Walk(folder + L"\\" + n, found, folders);
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
double Time(F&& f) {
  LARGE_INTEGER a, b;
  ::QueryPerformanceCounter(&a);
  f();
  ::QueryPerformanceCounter(&b);
  return Seconds(a, b);
}

double ProcessorSeconds() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
}

template <class F>
double BestOfThree(F&& f) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) best = std::min(best, Time(f));
  return best;
}

// The process's memory, looked at every few milliseconds from a thread of
// its own: the highest private and virtual sizes above those at the start
// of each measured step.
class MemoryWatch {
 public:
  MemoryWatch() : thread_(::CreateThread(nullptr, 64 << 10, &MemoryWatch::Main, this, 0, nullptr)) {}
  ~MemoryWatch() {
    ::InterlockedExchange(&stop_, 1);
    if (thread_) {
      ::WaitForSingleObject(thread_, INFINITE);
      ::CloseHandle(thread_);
    }
  }
  void Begin() {
    const comlib::ExclusiveLock hold(&lock_);
    Now(&basePrivate_, &baseVirtual_);
    topPrivate_ = basePrivate_;
    topVirtual_ = baseVirtual_;
    watching_ = true;
  }
  // Rise of private and virtual bytes since Begin, highest seen.
  void End(SIZE_T* privateRise, SIZE_T* virtualRise) {
    const comlib::ExclusiveLock hold(&lock_);
    Sample();
    watching_ = false;
    *privateRise = topPrivate_ - basePrivate_;
    *virtualRise = topVirtual_ - baseVirtual_;
  }

 private:
  static void Now(SIZE_T* privateBytes, SIZE_T* virtualBytes) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters);
    *privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    ::GlobalMemoryStatusEx(&status);
    *virtualBytes = static_cast<SIZE_T>(status.ullTotalVirtual - status.ullAvailVirtual);
  }
  void Sample() {
    SIZE_T p = 0, v = 0;
    Now(&p, &v);
    topPrivate_ = std::max(topPrivate_, p);
    topVirtual_ = std::max(topVirtual_, v);
  }
  static DWORD WINAPI Main(void* self) {
    auto* watch = static_cast<MemoryWatch*>(self);
    while (!::InterlockedCompareExchange(&watch->stop_, 0, 0)) {
      {
        const comlib::ExclusiveLock hold(&watch->lock_);
        if (watch->watching_) watch->Sample();
      }
      ::Sleep(5);
    }
    return 0;
  }

  SRWLOCK lock_ = SRWLOCK_INIT;
  bool watching_ = false;
  SIZE_T basePrivate_ = 0, baseVirtual_ = 0, topPrivate_ = 0, topVirtual_ = 0;
  volatile LONG stop_ = 0;
  HANDLE thread_;
};

// Time and peak private memory above the start of one catalogue run.
struct Run {
  double seconds = 0;
  SIZE_T memory = 0;
  size_t listed = 0;
};

struct Figures {
  std::vector<double> times;
  double Median() const {
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    if (n == 0) return 0;
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  }
  double Low() const { return times.empty() ? 0 : *std::min_element(times.begin(), times.end()); }
  double High() const { return times.empty() ? 0 : *std::max_element(times.begin(), times.end()); }
};

// One generated size and what its rounds measured.
struct Size {
  int count = 0;
  std::wstring base;
  size_t folders = 0, walked = 0, walkedOnPool = 0, loaded = 0, listed = 0, items = 0;
  Figures a, b, c, w;
  Figures bCpu, cCpu;  // processor time of the process, all its threads
  double d = 0;
  SIZE_T poolPrivate = 0, poolVirtual = 0;  // highest rise during (c)
  SIZE_T serialPrivate = 0;                 // highest rise during (b)
  Run oneThread;                            // the catalogue on one thread, once
};

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


std::wstring Figure(const wchar_t* label, const Figures& f) {
  wchar_t text[256];
  swprintf(text, 256, L"%ls: median %.3f s, range %.3f-%.3f s", label, f.Median(), f.Low(), f.High());
  return text;
}

std::wstring Megabytes(SIZE_T bytes) { return Format(L"%.1f MB", static_cast<double>(bytes) / (1 << 20)); }

// SetPaths + Load + BuildDependencies, as page 1 runs them: the entries listed.
size_t Catalogue(const std::wstring& base, size_t workers, FileSystem* files = nullptr) {
  BackupNodes catalogue;
  catalogue.SetPaths({comlib::Bstr(base)});
  BackupNodes::LoadOptions options;
  options.workers = workers;
  options.files = files;
  catalogue.Load(nullptr, nullptr, options);
  catalogue.BuildDependencies();
  return catalogue.entries.size();
}

Run MeasuredCatalogue(MemoryWatch* memory, const std::wstring& base, size_t workers, FileSystem* files = nullptr) {
  Run run;
  SIZE_T ignored = 0;
  memory->Begin();
  run.seconds = Time([&] { run.listed = Catalogue(base, workers, files); });
  memory->End(&run.memory, &ignored);
  return run;
}

// Weekly rotation folders: Site0001\Monday ... Site0300\Monday, each with a
// large information file; the duplicate rule lists the first only.
void GenerateHiddenCopies(const std::wstring& base) {
  ::CreateDirectoryW(base.c_str(), nullptr);
  std::string xml = "<?xml version=\"1.0\"?>\n<BACKUP Name=\"Weekly\" Id=\"" + Narrow(ObjectIdToText(MakeId(1, 1))) +
                    "\" ParentId=\"\">\n  <SYSTEM SystemName=\"Plant\" SystemDescription=\"Weekly rotation\">\n";
  for (unsigned long n = 0; xml.size() < kHiddenCopyKb * 1024 - 200; ++n)
    xml += "    <NODE NodeName=\"NODE" + std::to_string(n) + "\" NodeId=\"" + Narrow(ObjectIdToText(MakeId(n + 1, 2))) +
           "\"/>\n";
  xml += "  </SYSTEM>\n</BACKUP>\n";
  for (int i = 1; i <= kHiddenCopies; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"\\Site%04d", i);
    const std::wstring site = base + name;
    ::CreateDirectoryW(site.c_str(), nullptr);
    ::CreateDirectoryW((site + L"\\Monday").c_str(), nullptr);
    WriteFileText(site + L"\\Monday\\BackupInfo.xml", xml);
  }
}

void RoundOf(Size* size, MemoryWatch* memory, size_t workers) {
  size->a.times.push_back(Time([&] {
    std::vector<std::wstring> found;
    Walk(size->base, &found);
    size->walked = found.size();
  }));
  SIZE_T rise = 0, ignored = 0;
  memory->Begin();
  double cpu = ProcessorSeconds();
  size->b.times.push_back(Time([&] {
    std::vector<std::wstring> found;
    Walk(size->base, &found);
    size->loaded = 0;
    for (const std::wstring& path : found) {
      xml::Document document;
      if (SUCCEEDED(document.Load(path.c_str())) && document.DocumentElement()) ++size->loaded;
    }
  }));
  size->bCpu.times.push_back(ProcessorSeconds() - cpu);
  memory->End(&rise, &ignored);
  size->serialPrivate = std::max(size->serialPrivate, rise);
  SIZE_T virtualRise = 0;
  memory->Begin();
  cpu = ProcessorSeconds();
  size->c.times.push_back(Time([&] { size->listed = Catalogue(size->base, workers); }));
  size->cCpu.times.push_back(ProcessorSeconds() - cpu);
  memory->End(&rise, &virtualRise);
  size->poolPrivate = std::max(size->poolPrivate, rise);
  size->poolVirtual = std::max(size->poolVirtual, virtualRise);
  size->w.times.push_back(Time([&] {
    FileFinder finder;
    finder.AddFolder(size->base.c_str());
    finder.AddFileName(L"BackupInfo.xml");
    WorkerPool pool(workers > 1 ? workers : 0);
    size->walkedOnPool = finder.Find(pool, workers).size();
  }));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  size_t workers = 0;
  bool bad = false;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    if (wcscmp(argv[i], L"--workers") == 0) {
      const int w = i + 1 < argc ? _wtoi(argv[++i]) : 0;
      bad = bad || w <= 0 || static_cast<size_t>(w) > WorkerPool::kMaxWorkers;
      workers = bad ? 0 : static_cast<size_t>(w);
      continue;
    }
    counts.push_back(_wtoi(argv[i]));
    bad = bad || counts.back() <= 0;
  }
  if (bad || counts.empty() || counts.size() > 2) {
    WriteText(STD_ERROR_HANDLE,
              L"usage: catalogue_bench [--workers W] N [M]   (N, M backups, > 0; W threads, 1 to 8)\n");
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  const size_t threads = workers ? workers : WorkerPool::DefaultWorkers();
  SYSTEM_INFO system = {};
  ::GetSystemInfo(&system);

  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::vector<Size> sizes(counts.size());
  LARGE_INTEGER g0, g1;
  ::QueryPerformanceCounter(&g0);
  for (size_t i = 0; i < sizes.size(); ++i) {
    sizes[i].count = counts[i];
    sizes[i].base = std::wstring(temp) + L"catalogue_bench_" + std::to_wstring(counts[i]) + L"_" +
                    std::to_wstring(i) + L"_" + std::to_wstring(::GetCurrentProcessId());
    Generate(sizes[i].base, counts[i]);
  }
  ::QueryPerformanceCounter(&g1);
  for (Size& size : sizes) {
    std::vector<std::wstring> warm;
    Walk(size.base, &warm, &size.folders);  // the same cache state for every figure
  }

  const size_t shareCount = std::min(counts[0], kShareBackups);
  const std::wstring scratch = std::wstring(temp) + L"catalogue_bench_" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring hiddenBase = scratch + L"_hidden", shareBase = scratch + L"_share";
  Figures hiddenPool, hiddenSerial;
  SIZE_T hiddenPoolMemory = 0, hiddenSerialMemory = 0;
  size_t hiddenListed = 0;
  Run sharePool, shareSerial;
  {
    MemoryWatch memory;
    for (int round = 0; round < kRounds; ++round)
      for (Size& size : sizes) RoundOf(&size, &memory, threads);
    for (Size& size : sizes) size.oneThread = MeasuredCatalogue(&memory, size.base, 1);

    GenerateHiddenCopies(hiddenBase);
    for (int round = 0; round < 3; ++round) {
      const Run pool = MeasuredCatalogue(&memory, hiddenBase, threads);
      const Run serial = MeasuredCatalogue(&memory, hiddenBase, 1);
      hiddenPool.times.push_back(pool.seconds);
      hiddenSerial.times.push_back(serial.seconds);
      hiddenPoolMemory = std::max(hiddenPoolMemory, pool.memory);
      hiddenSerialMemory = std::max(hiddenSerialMemory, serial.memory);
      hiddenListed = std::max(pool.listed, serial.listed);
    }
    RemoveTree(hiddenBase);

    const std::wstring& share = shareCount == sizes[0].count ? sizes[0].base : shareBase;
    if (shareCount != sizes[0].count) Generate(shareBase, shareCount);
    SimulatedShare slow(kShareLatencyMs);
    shareSerial = MeasuredCatalogue(&memory, share, 1, &slow);
    sharePool = MeasuredCatalogue(&memory, share, threads, &slow);
    if (shareCount != sizes[0].count) RemoveTree(shareBase);
  }
  for (Size& size : sizes) {
    BackupNodes catalogue;
    catalogue.SetPaths({comlib::Bstr(size.base)});
    catalogue.Load();
    catalogue.BuildDependencies();
    size.d = TimeTreeFill(&catalogue, &size.items);
    RemoveTree(size.base);
  }
  ::CoUninitialize();

  std::wstring report = L"workers: " + std::to_wstring(threads) + L" (cores: " +
                        std::to_wstring(system.dwNumberOfProcessors) + L")\n";
  report += Format(L"generate: %.3f s\n", Seconds(g0, g1));
  report += L"rounds: " + std::to_wstring(kRounds) + L", each (a), (b), (c), (w) of every size in turn\n";
  bool complete = true;
  for (const Size& size : sizes) {
    report += L"N: " + std::to_wstring(size.count) + L" (" + std::to_wstring(size.folders) + L" folders)\n";
    report += Figure(L"(a) walk", size.a) + L" (" + std::to_wstring(size.walked) + L" files)\n";
    report += Figure(L"(b) walk + load", size.b) + L" (" + std::to_wstring(size.loaded) + L" loaded)\n";
    report += Figure(L"(c) SetPaths + Load + BuildDependencies", size.c) + L" (" +
              std::to_wstring(size.listed) + L" entries)\n";
    report += Figure(L"(w) walk on the pool's threads, nothing loaded", size.w) + L" (" +
              std::to_wstring(size.walkedOnPool) + L" files)\n";
    if (size.b.Median() > 0)
      report += Format(L"of (b), medians: (a) %.2f", size.a.Median() / size.b.Median()) +
                Format(L", (w) %.2f, the floor under c/b\n", size.w.Median() / size.b.Median());
    report += Format(L"processor time, medians: (b) %.3f s", size.bCpu.Median()) +
              Format(L", (c) %.3f s\n", size.cCpu.Median());
    if (size.items > 0)
      report += Format(L"(d) page 1 tree fill: %.3f s", size.d) + L" (" + std::to_wstring(size.items) +
                L" tree items)\n";
    else
      report += L"(d) page 1 tree fill: not measured (no tree window: run it on a display)\n";
    report += L"peak memory above the start: (c) private " + Megabytes(size.poolPrivate) + L", address space " +
              Megabytes(size.poolVirtual) + L"; (b) private " + Megabytes(size.serialPrivate) + L"\n";
    report += Format(L"ratio c/b at this size: %.2f\n", size.b.Median() > 0 ? size.c.Median() / size.b.Median() : 0.0);
    report += Format(L"ratio c/w at this size: %.2f\n", size.w.Median() > 0 ? size.c.Median() / size.w.Median() : 0.0);
    complete = complete && size.listed == static_cast<size_t>(size.count) && size.items == size.listed &&
               size.walkedOnPool == static_cast<size_t>(size.count) &&
               size.oneThread.listed == static_cast<size_t>(size.count);
  }
  report += Format(L"ratio c/w: %.2f\n", sizes[0].w.Median() > 0 ? sizes[0].c.Median() / sizes[0].w.Median() : 0.0);
  if (sizes.size() == 2) {
    const double first = sizes[0].c.Median(), second = sizes[1].c.Median();
    report += Format(L"scaling of c: %.2f", first > 0 ? second / first : 0.0) + L" (" +
              std::to_wstring(sizes[1].count) + L" against " + std::to_wstring(sizes[0].count) +
              Format(L", sizes %.2f)\n", static_cast<double>(sizes[1].count) / sizes[0].count);
  }
  report += L"hidden copies (" + std::to_wstring(kHiddenCopies) + L" files of " + std::to_wstring(kHiddenCopyKb) +
            L" KB, one listed): " +
            Format(L"pool/serial time %.2f", hiddenSerial.Median() > 0 ? hiddenPool.Median() / hiddenSerial.Median() : 0.0) +
            L", memory above start pool " + Megabytes(hiddenPoolMemory) + L", serial " + Megabytes(hiddenSerialMemory) +
            Format(L" (medians of 3: pool %.3f s", hiddenPool.Median()) + Format(L", serial %.3f s)\n", hiddenSerial.Median());
  complete = complete && hiddenListed == 1;
  report += Format(L"simulated share (L = %.0f ms): ", kShareLatencyMs) + Format(L"serial %.1f s", shareSerial.seconds) +
            Format(L", catalogue %.1f s", sharePool.seconds) +
            Format(L", speedup %.2f", sharePool.seconds > 0 ? shareSerial.seconds / sharePool.seconds : 0.0) + L" (N: " +
            std::to_wstring(shareCount) + L"; a simulation: every listing and open waits L, nothing else of a share is modelled)\n";
  complete = complete && shareSerial.listed == static_cast<size_t>(shareCount) &&
             sharePool.listed == static_cast<size_t>(shareCount);
  for (const Size& size : sizes)
    report += L"peak memory above start at " + std::to_wstring(size.count) + L": catalogue " +
              Megabytes(size.poolPrivate) + L", one-thread catalogue " + Megabytes(size.oneThread.memory) + L"\n";
  report += Format(L"ratio c/b: %.2f\n", sizes[0].b.Median() > 0 ? sizes[0].c.Median() / sizes[0].b.Median() : 0.0);
  WriteText(STD_OUTPUT_HANDLE, report);
  return complete ? 0 : 1;
}
