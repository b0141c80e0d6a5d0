#pragma once
// The backup details dialog: which items of one service's backup are to be
// restored, chosen in the framework's item selector control, and, when the
// service's helper names one, the service's arguments in an editor control.
// The dialog object lives for one modal run; its data is set before the run
// and read after it.
#include <windows.h>

#include <vector>

#include "records/OwnedRecords.h"
#include "comlib/Dialog.h"
#include "selection/FormHandler.h"

namespace selection {

// The control the selector host creates.
extern const wchar_t kItemSelectorProgId[];

// The layout table of the dialog, 16 rows, divisor 100.
extern const ZelUISupport::LayoutRow kDetailsLayout[16];
constexpr int kDetailsLayoutDivisor = 100;

// Where the hosts go in a client area of width x height; the editor
// rectangle is empty without an editor.
struct DetailsHostRects {
  RECT selector;
  RECT editor;
};
DetailsHostRects DetailsHostRectsFor(int width, int height, bool hasEditor) noexcept;

class CDetails : public comlib::Dialog {
 public:
  CDetails();

  void SetDetailsData(std::vector<records::OwnedBackupItem> items, std::vector<LONG> selectionValues);
  void SetArgumentEditor(const CLSID& editor) noexcept { editor_ = editor; }
  void SetArguments(records::OwnedArguments arguments) noexcept { arguments_ = std::move(arguments); }
  // Copies out the chosen items and the selection values.
  void GetDetailsData(std::vector<records::OwnedBackupItem>* items, std::vector<LONG>* values) const;
  records::OwnedArguments GetArguments() const { return arguments_; }

  // Modal, with the window active now as parent: IDOK or IDCANCEL (-1 when
  // the dialog cannot be shown).
  INT_PTR Run() noexcept;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnInitDialog();
  void OnOk();
  void RedrawHosts() noexcept;

  std::vector<records::OwnedBackupItem> offered_;
  std::vector<records::OwnedBackupItem> chosen_;
  std::vector<LONG> selectionValues_;
  CLSID editor_ = GUID_NULL;
  records::OwnedArguments arguments_;
  ZelUISupport::CZelFormHandler layout_;
  HWND selectorHost_ = nullptr;
  HWND editorHost_ = nullptr;
};

}  // namespace selection
