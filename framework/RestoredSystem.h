#pragma once
// What the reference framework knows about the system whose first restore
// phase ended last: the service binding and the helpers restore into it.
#include <windows.h>

#include <string>
#include <vector>

namespace zel {

// The class that GetServiceHostClass names and that the binding binds to.
extern const CLSID kServiceHostClass;
// The reference helper that restores a service part by copying its files.
extern const CLSID CLSID_ZelFileRestoreHelper;

struct SystemNode {
  std::wstring id;            // braced text form
  std::wstring originalName;  // the name in the backup
  std::wstring name;          // the name after the mapping
  bool primary = false;
};

struct RestoredSystem {
  std::wstring name;
  std::wstring id;  // empty: the backup's system id is kept
  std::wstring systemDataPath, serverDataPath, serverData2Path, workplaceDataPath;
  std::vector<std::wstring> parts;  // backup folders, root first
  std::vector<SystemNode> nodes;
};

// The description written into the system data directory.
std::string DescribeAsXml(const RestoredSystem& system);
extern const wchar_t kDescriptionFile[];

// Set when a first phase has ended well; read by the binding.
void SetLastRestoredSystem(const RestoredSystem& system);
bool LastRestoredSystem(RestoredSystem* system);

// A GUID in the braced upper-case registry form.
std::wstring GuidText(const GUID& id);
// A fresh BSTR of the text for an out parameter.
HRESULT CopyOut(const std::wstring& text, BSTR* out) noexcept;

// What one run of a restore made on disk, so that a run that fails can
// take back exactly that and nothing that was there before it.
class MadeOnDisk {
 public:
  void Folder(const std::wstring& path) { folders_.push_back(path); }
  void File(const std::wstring& path) { files_.push_back(path); }
  // Removes the files, then the folders, newest first; answers what it
  // removed, in that order. A folder something else has put files into
  // stays.
  std::vector<std::wstring> Undo();

 private:
  std::vector<std::wstring> folders_;
  std::vector<std::wstring> files_;
};

// Makes every folder of a full path, noting each one it made. S_OK when
// the path is a folder afterwards, else the status of the last failure.
HRESULT MakeDirectories(const std::wstring& path, MadeOnDisk* made);
// "removed A, B" or "nothing to remove", for the text of a failed end.
std::wstring RemovedText(const std::vector<std::wstring>& removed);

}  // namespace zel
