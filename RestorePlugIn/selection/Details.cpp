#include "selection/Details.h"

#include <objbase.h>

#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "comlib/ControlHost.h"
#include "comlib/ResourceText.h"
#include "records/ItemArrays.h"
#include "resource.h"

namespace selection {

using ZelUISupport::LayoutRow;

const wchar_t kItemSelectorProgId[] = L"ZelBRItemSelector.ItemSelector";

namespace {

constexpr int kSelector = IDC_ITEM_SELECTOR_HOST;
constexpr int kEditor = IDC_ARGUMENT_EDITOR_HOST;

constexpr LayoutRow Row(int control, int edge, int anchor, int reference = 0) {
  return LayoutRow{TRUE, control, edge, anchor, ZelUISupport::kOffsetMeasured, 0, 0, 0, reference};
}

// Below the selector: OK and Cancel, and the editor when there is one.
constexpr int kBandWithEditor = 200;
constexpr int kBandWithoutEditor = 40;
constexpr int kMargin = 10;

}  // namespace

// The selector grows with the dialog; the editor keeps its height below the
// selector's new bottom; the buttons keep their size and corner distance.
const LayoutRow kDetailsLayout[16] = {
    Row(kSelector, ZelUISupport::kEdgeRight, ZelUISupport::kAnchorDialogSameSide),
    Row(kSelector, ZelUISupport::kEdgeLeft, ZelUISupport::kAnchorDialogSameSide),
    Row(kSelector, ZelUISupport::kEdgeTop, ZelUISupport::kAnchorDialogSameSide),
    Row(kSelector, ZelUISupport::kEdgeBottom, ZelUISupport::kAnchorDialogSameSide),
    Row(kEditor, ZelUISupport::kEdgeRight, ZelUISupport::kAnchorDialogSameSide),
    Row(kEditor, ZelUISupport::kEdgeLeft, ZelUISupport::kAnchorDialogSameSide),
    Row(kEditor, ZelUISupport::kEdgeTop, ZelUISupport::kAnchorReferenceOppositeSide, kSelector),
    Row(kEditor, ZelUISupport::kEdgeBottom, ZelUISupport::kAnchorDialogSameSide),
    Row(IDOK, ZelUISupport::kEdgeRight, ZelUISupport::kAnchorDialogSameSide),
    Row(IDOK, ZelUISupport::kEdgeLeft, ZelUISupport::kAnchorDialogOppositeSide),
    Row(IDOK, ZelUISupport::kEdgeTop, ZelUISupport::kAnchorDialogOppositeSide),
    Row(IDOK, ZelUISupport::kEdgeBottom, ZelUISupport::kAnchorDialogSameSide),
    Row(IDCANCEL, ZelUISupport::kEdgeRight, ZelUISupport::kAnchorDialogSameSide),
    Row(IDCANCEL, ZelUISupport::kEdgeLeft, ZelUISupport::kAnchorDialogOppositeSide),
    Row(IDCANCEL, ZelUISupport::kEdgeTop, ZelUISupport::kAnchorDialogOppositeSide),
    Row(IDCANCEL, ZelUISupport::kEdgeBottom, ZelUISupport::kAnchorDialogSameSide),
};

DetailsHostRects DetailsHostRectsFor(int width, int height, bool hasEditor) noexcept {
  const int band = hasEditor ? kBandWithEditor : kBandWithoutEditor;
  DetailsHostRects rects = {};
  rects.selector = RECT{kMargin, kMargin, width - kMargin, height - band};
  if (hasEditor)
    rects.editor = RECT{kMargin, height - band + kMargin, width - kMargin,
                        height - kBandWithoutEditor};
  return rects;
}

CDetails::CDetails() : layout_(16, kDetailsLayout, kDetailsLayoutDivisor) {}

void CDetails::SetDetailsData(std::vector<records::OwnedBackupItem> items,
                              std::vector<LONG> selectionValues) {
  offered_ = std::move(items);
  selectionValues_ = std::move(selectionValues);
}

void CDetails::GetDetailsData(std::vector<records::OwnedBackupItem>* items,
                              std::vector<LONG>* values) const {
  if (items) *items = chosen_;
  if (values) *values = selectionValues_;
}

INT_PTR CDetails::Run() noexcept { return RunModal(::GetActiveWindow(), IDD_DETAILS); }

bool CDetails::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      *result = TRUE;
      return true;
    case WM_SIZE:
      layout_.Layout(hwnd());
      *result = TRUE;
      return true;
    case WM_PAINT:
      // The hosted controls do not always repaint after the hosts moved.
      RedrawHosts();
      return false;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk();
          return true;
        case IDCANCEL:
          End(IDCANCEL);  // nothing is read from the controls
          return true;
      }
      return false;
  }
  return false;
}

void CDetails::OnInitDialog() {
  ::SetWindowTextW(hwnd(), comlib::ResourceString(IDS_DETAILS).c_str());
  RECT client = {};
  ::GetClientRect(hwnd(), &client);
  const bool hasEditor = !::IsEqualGUID(editor_, GUID_NULL);
  const DetailsHostRects rects = DetailsHostRectsFor(client.right, client.bottom, hasEditor);

  selectorHost_ = comlib::CreateControlHost(hwnd(), kSelector, rects.selector, kItemSelectorProgId);
  if (auto selector = comlib::HostedControl<IItemSelector>(selectorHost_)) {
    records::BackupItemArray items = records::CopyItemRecords(offered_);
    selector->SetItems(static_cast<ULONG>(offered_.size()), offered_.empty() ? nullptr : &items[0]);
    selector->SetSelection(static_cast<ULONG>(selectionValues_.size()),
                           selectionValues_.empty() ? nullptr : selectionValues_.data());
  }

  if (hasEditor) {
    wchar_t name[40] = {};
    ::StringFromGUID2(editor_, name, 40);
    editorHost_ = comlib::CreateControlHost(hwnd(), kEditor, rects.editor, name);
    if (auto editor = comlib::HostedControl<IArgumentEditor>(editorHost_))
      editor->SetArguments(arguments_.ByteCount(), const_cast<unsigned char*>(arguments_.Data()));
  }

  layout_.Init(hwnd());
  layout_.Layout(hwnd());
}

void CDetails::OnOk() {
  // Everything is read before anything is replaced: a failure leaves the
  // dialog's data as it was.
  std::vector<records::OwnedBackupItem> chosen = chosen_;
  std::vector<LONG> values = selectionValues_;
  if (auto selector = comlib::HostedControl<IItemSelector>(selectorHost_)) {
    ULONG count = 0;
    BackupItem* records = nullptr;
    selector->GetSelectedItems(&count, &records);
    chosen = records::AdoptItemRecords(count, records);
    ULONG valueCount = 0;
    LONG* valueBlock = nullptr;
    selector->GetSelection(&valueCount, &valueBlock);
    values = records::AdoptValues(valueCount, valueBlock);
  }
  records::OwnedArguments arguments;
  if (auto editor = comlib::HostedControl<IArgumentEditor>(editorHost_)) {
    ServiceArguments given = {};
    editor->GetArguments(&given);
    arguments = records::OwnedArguments::Copy(given);  // the block stays the editor's
  }
  chosen_ = std::move(chosen);
  selectionValues_ = std::move(values);
  arguments_ = std::move(arguments);
  End(IDOK);
}

void CDetails::RedrawHosts() noexcept {
  for (int id : {kSelector, kEditor})
    if (HWND host = Item(id)) ::RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace selection
