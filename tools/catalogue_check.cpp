// Prints the backup catalogue as the selection page shows it, and every
// information file found but left out, and every folder not searched, with
// the reason.
//   catalogue_check [folder ...]     no folder: the folders of the settings file
// Exit code: 0 every backup found is listed, 1 some were dropped, 2 bad arguments.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "ToolSupport.h"
#include "CatalogueCheck.h"
#include "catalogue/Persistency.h"

namespace {

const wchar_t kUsage[] =
    L"usage: catalogue_check [--] [folder ...]\n"
    L"Lists the backups found under the folders as a dependency tree, then every\n"
    L"BackupInfo.xml found but not listed and every folder that could not be\n"
    L"searched, with the reason. Without folders, the folders of the settings\n"
    L"file are searched.\n"
    L"Exit code: 0 all backups listed, 1 some dropped or folders not searched,\n"
    L"2 bad arguments.\n";

int Run(int argc, wchar_t** argv) {
  std::vector<comlib::Bstr> folders;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (options && arg == L"--") {
      options = false;
    } else if (options && (arg == L"--help" || arg == L"-h" || arg == L"/?")) {
      WriteText(STD_OUTPUT_HANDLE, kUsage);
      return 0;
    } else if (options && arg.size() > 1 && arg[0] == L'-') {
      WriteText(STD_ERROR_HANDLE, L"catalogue_check: unknown option " + arg + L"\n" + kUsage);
      return 2;
    } else {
      folders.emplace_back(arg);
    }
  }
  if (folders.empty()) {
    const Persistency settings;
    xml::LoadFailure failure;
    if (settings.ReadPaths(&folders, &failure) != S_OK) {
      if (failure.Missing() || failure.kind == xml::LoadFailure::Kind::None)
        WriteText(STD_OUTPUT_HANDLE, L"No settings file at " + settings.SettingsFile() + L"\n");
      else
        WriteText(STD_OUTPUT_HANDLE, L"Settings file " + settings.SettingsFile() + L" " + failure.Describe() + L"\n");
    }
  }
  for (const comlib::Bstr& folder : folders) WriteText(STD_OUTPUT_HANDLE, L"Folder: " + folder.str() + L"\n");

  CatalogueCheck check;
  check.Run(folders);
  WriteText(STD_OUTPUT_HANDLE, check.Report());
  return check.ExitCode();
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return RunInApartment(L"catalogue_check", Run, argc, argv); }
