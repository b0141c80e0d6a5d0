#include "selection/FormHandler.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace ZelUISupport {
namespace {

bool IsEdge(int edge) noexcept { return edge >= kEdgeTop && edge <= kEdgeRight; }
bool IsVertical(int edge) noexcept { return edge == kEdgeTop || edge == kEdgeBottom; }
bool UsesReference(int mode) noexcept {
  return mode == kAnchorReferenceOppositeSide || mode == kAnchorReferenceSameSide;
}

// Extreme rows must not overflow; ordinary ones never get near the limits.
int Saturate(int64_t v) noexcept {
  return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

LONG& EdgeOf(RECT& r, int edge) noexcept {
  switch (edge) {
    case kEdgeTop: return r.top;
    case kEdgeBottom: return r.bottom;
    case kEdgeLeft: return r.left;
    default: return r.right;
  }
}
LONG EdgeOf(const RECT& r, int edge) noexcept {
  RECT copy = r;
  return EdgeOf(copy, edge);
}

// The side of the other edge on the same axis: top <-> bottom, left <-> right.
int OppositeEdge(int edge) noexcept { return edge ^ 1; }

const RECT* Find(const ControlRects& rects, int id) noexcept {
  const auto it = rects.find(id);
  return it == rects.end() ? nullptr : &it->second;
}

}  // namespace

std::optional<int> AnchorCoordinate(const LayoutRow& row, const RECT& dialog,
                                    const RECT* reference, int divisor) noexcept {
  if (!IsEdge(row.edge)) return std::nullopt;
  const bool vertical = IsVertical(row.edge);
  switch (row.anchorMode) {
    case kAnchorDialogSameSide:
      return EdgeOf(dialog, row.edge);
    case kAnchorDialogOppositeSide:
      return EdgeOf(dialog, OppositeEdge(row.edge));
    case kAnchorReferenceOppositeSide:
      if (!reference) return std::nullopt;
      return EdgeOf(*reference, OppositeEdge(row.edge));
    case kAnchorReferenceSameSide:
      if (!reference) return std::nullopt;
      return EdgeOf(*reference, row.edge);
    case kAnchorProportional: {
      if (divisor == 0) return std::nullopt;
      const int64_t start = vertical ? dialog.top : dialog.left;
      const int64_t extent = vertical ? int64_t{dialog.bottom} - dialog.top
                                      : int64_t{dialog.right} - dialog.left;
      // Multiply first, then divide; C++ division truncates toward zero.
      return Saturate(start + int64_t{row.proportion} * extent / divisor);
    }
    case kAnchorFixed:
      return Saturate(int64_t{vertical ? dialog.top : dialog.left} + row.fixedDistance);
    default:
      return 0;
  }
}

CZelFormHandler::CZelFormHandler(int rowCount, const LayoutRow* rows, int divisor)
    : divisor_(divisor) {
  if (rows && rowCount > 0) {
    rows_.reset(new LayoutRow[rowCount]);
    std::copy(rows, rows + rowCount, rows_.get());
    rowCount_ = rowCount;
  }
}

CZelFormHandler::~CZelFormHandler() = default;

void CZelFormHandler::Measure(const RECT& dialog, const ControlRects& controls) {
  if (initialised_) return;
  for (int i = 0; i < rowCount_; ++i) {
    LayoutRow& row = rows_[i];
    if (!row.active || !IsEdge(row.edge)) continue;
    const RECT* control = Find(controls, row.controlId);
    if (!control) continue;
    if (row.offsetKind == kOffsetMeasured) {
      const RECT* reference =
          UsesReference(row.anchorMode) ? Find(controls, row.referenceId) : nullptr;
      const std::optional<int> anchor = AnchorCoordinate(row, dialog, reference, divisor_);
      if (!anchor) continue;
      row.offset = Saturate(int64_t{EdgeOf(*control, row.edge)} - *anchor);
    } else if (row.offsetKind == kOffsetPlusExtent) {
      const int64_t extent = IsVertical(row.edge) ? int64_t{control->bottom} - control->top
                                                  : int64_t{control->right} - control->left;
      row.offset = Saturate(row.offset + extent);
    }
  }
  initialised_ = true;
}

ControlRects CZelFormHandler::Arrange(const RECT& dialog, const ControlRects& controls) const {
  ControlRects placed;
  if (!initialised_) return placed;
  for (int i = 0; i < rowCount_; ++i) {
    const LayoutRow& row = rows_[i];
    if (!row.active) continue;
    const RECT* control = Find(controls, row.controlId);
    if (!control) continue;
    RECT& target = placed.emplace(row.controlId, *control).first->second;
    // A reference placed earlier in this pass is followed to its new place.
    const RECT* reference = nullptr;
    if (UsesReference(row.anchorMode)) {
      reference = Find(placed, row.referenceId);
      if (!reference) reference = Find(controls, row.referenceId);
    }
    const std::optional<int> anchor = AnchorCoordinate(row, dialog, reference, divisor_);
    if (!anchor) continue;
    EdgeOf(target, row.edge) = Saturate(int64_t{*anchor} + row.offset);
  }
  return placed;
}

ControlRects CZelFormHandler::ReadControls(HWND dialog) const {
  ControlRects rects;
  const auto read = [&](int id) {
    if (rects.count(id)) return;
    const HWND item = ::GetDlgItem(dialog, id);
    RECT r;
    if (item && ::GetWindowRect(item, &r)) rects.emplace(id, r);
  };
  for (int i = 0; i < rowCount_; ++i) {
    const LayoutRow& row = rows_[i];
    if (!row.active) continue;
    read(row.controlId);
    if (UsesReference(row.anchorMode)) read(row.referenceId);
  }
  return rects;
}

void CZelFormHandler::Init(HWND dialog) noexcept {
  if (initialised_) return;
  try {
    RECT d;
    if (!::GetWindowRect(dialog, &d)) return;
    Measure(d, ReadControls(dialog));
  } catch (...) {
    // Out of memory: stay unmeasured, so Layout keeps moving nothing.
  }
}

void CZelFormHandler::Layout(HWND dialog) noexcept {
  if (!initialised_) return;
  try {
    RECT d;
    if (!::GetWindowRect(dialog, &d)) return;
    for (const auto& [id, r] : Arrange(d, ReadControls(dialog))) {
      const HWND item = ::GetDlgItem(dialog, id);
      POINT topLeft{r.left, r.top};
      ::ScreenToClient(dialog, &topLeft);
      ::MoveWindow(item, topLeft.x, topLeft.y, r.right - r.left, r.bottom - r.top, TRUE);
      ::InvalidateRect(item, nullptr, TRUE);
    }
  } catch (...) {
    // Out of memory: the controls stay where they are until the next size change.
  }
}

}  // namespace ZelUISupport
