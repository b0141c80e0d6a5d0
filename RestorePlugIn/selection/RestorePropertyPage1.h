#pragma once
// Page 1 of the restore wizard, "Restore Selection": the backups found under
// the configured folders as a tree of dependencies; leaving the page hands
// the chosen backup to the session.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "catalogue/BackupNodes.h"
#include "comlib/ComPtr.h"
#include "comlib/PropertyPage.h"

class CRestorePropertyPage1 : public comlib::PropertyPage<CRestorePropertyPage1>,
                              public IZelCWPropertyPageAdaption,
                              public IZelCWPageDescription {
 public:
  COMLIB_DELEGATING_IUNKNOWN
  static const QITAB* Interfaces() noexcept;

  CRestorePropertyPage1() noexcept;

  // IZelCWPropertyPageAdaption
  STDMETHODIMP Reserved3(LONG value) noexcept override;
  STDMETHODIMP GetNextPage(CLSID* pageClsid) noexcept override;
  STDMETHODIMP GetSummary(BSTR* summary) noexcept override;
  STDMETHODIMP ValidatePage(LONG* ok) noexcept override;
  STDMETHODIMP GetValidationMessage(BSTR* message) noexcept override;
  STDMETHODIMP ActivatePage(LONG* result) noexcept override;
  STDMETHODIMP Reserved9(LONG* result) noexcept override;
  STDMETHODIMP SetMessageSink(IUnknown* sink) noexcept override;

  // IZelCWPageDescription
  STDMETHODIMP GetPageDescription(BSTR* description) noexcept override;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

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
  void QuerySession() noexcept;
  static std::vector<comlib::Bstr> ReadFolders();
  void LoadCatalogue(const std::vector<comlib::Bstr>& folders);
  void FillBackupTree();
  // Position of the catalogue entry an item of the backup tree shows.
  bool EntryOf(HTREEITEM item, size_t* position) const noexcept;
  // The entries from the item up to its top-level item.
  std::vector<const BackupNode*> ChainOf(HTREEITEM item) const;
  void ReadServiceChecks();
  HRESULT CommitSelection();

  comlib::ComPtr<IRestoreModule> session_;
  BackupNodes catalogue_;
  HWND backupTree_ = nullptr;
  HWND servicesList_ = nullptr;
  HWND versionList_ = nullptr;
  bool selectionValid_ = false;
};
