#pragma once
// Page 1 of the restore wizard, "Restore Selection": the backups found under
// the configured folders as a tree of dependencies; leaving the page hands
// the chosen backup to the session.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "catalogue/BackupNodes.h"
#include "session/WizardPage.h"

class CRestorePropertyPage1 : public session::WizardPage<CRestorePropertyPage1> {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  CRestorePropertyPage1() noexcept;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  HRESULT Validate(bool* ok) override;
  std::wstring ValidationMessage() const override;

 private:
  ~CRestorePropertyPage1() override;

  void OnInitDialog();
  void OnBackupSelectionChanged();
  void OnSelectPath();
  void OnViewInfo();
  // The details dialog of the selected service; kept apart in its own file.
  void OnDetails();

  // Gives back what the services list's check boxes took.
  void ReleaseServicesList() noexcept;
  static std::vector<comlib::Bstr> ReadFolders();
  void LoadCatalogue(const std::vector<comlib::Bstr>& folders);
  void FillBackupTree();
  // Position of the catalogue entry an item of the backup tree shows.
  bool EntryOf(HTREEITEM item, size_t* position) const noexcept;
  // The entries from the item up to its top-level item.
  std::vector<const BackupNode*> ChainOf(HTREEITEM item) const;
  void ReadServiceChecks();
  HRESULT CommitSelection();

  BackupNodes catalogue_;
  HWND backupTree_ = nullptr;
  HWND servicesList_ = nullptr;
  HWND versionList_ = nullptr;
  bool selectionValid_ = false;
};
