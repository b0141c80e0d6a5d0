#pragma once
// Keeps the controls of a resizable dialog attached to the dialog's edges, to
// each other or to proportional positions. Each row of a layout table sets one
// edge of one control; Init measures the distances once, Layout re-applies
// them after every size change. All rectangles are screen coordinates; the
// dialog rectangle is its whole window rectangle, frame included.
#include <windows.h>

#include <map>
#include <memory>
#include <optional>

namespace ZelUISupport {

enum LayoutEdge : int { kEdgeTop = 0, kEdgeBottom = 1, kEdgeLeft = 2, kEdgeRight = 3 };

enum LayoutAnchor : int {
  kAnchorDialogSameSide = 0,
  kAnchorDialogOppositeSide = 1,
  kAnchorReferenceOppositeSide = 2,
  kAnchorReferenceSameSide = 3,
  kAnchorProportional = 4,
  kAnchorFixed = 5,
};

enum LayoutOffsetKind : int {
  kOffsetMeasured = 0,    // Init measures the offset
  kOffsetGiven = 1,       // any value other than 0 and 2 means this
  kOffsetPlusExtent = 2,  // Init adds the control's height or width
};

// One row of a layout table; the field order is the table's own.
struct LayoutRow {
  BOOL active;
  int controlId;
  int edge;
  int anchorMode;
  int offsetKind;
  int offset;         // from the anchor to the edge, pixels
  int fixedDistance;  // from the dialog's top or left edge (fixed anchor)
  int proportion;     // in 1/divisor of the dialog's height or width
  int referenceId;    // the control anchored to (reference anchors)
};

// Screen rectangles of the dialog's controls by id; an absent id is a
// control the dialog does not have. Ordered, so walking it visits the
// controls in ascending id order.
using ControlRects = std::map<int, RECT>;

// The coordinate a row's edge is anchored to. Empty when the row cannot be
// placed: a reference anchor whose reference is null, a proportional anchor
// with divisor 0, or an edge outside 0..3. An unknown anchor mode gives 0.
std::optional<int> AnchorCoordinate(const LayoutRow& row, const RECT& dialog,
                                    const RECT* reference, int divisor) noexcept;

class CZelFormHandler {
 public:
  // Copies the rows; a null table or a negative count gives an empty one.
  CZelFormHandler(int rowCount, const LayoutRow* rows, int divisor);
  virtual ~CZelFormHandler();
  CZelFormHandler(const CZelFormHandler&) = delete;
  CZelFormHandler& operator=(const CZelFormHandler&) = delete;

  // Measures the rows against the dialog's current geometry; once only.
  void Init(HWND dialog) noexcept;
  // Moves the controls to follow the dialog's current size; nothing before Init.
  void Layout(HWND dialog) noexcept;

  // The window-free halves of Init and Layout, given the rectangles the
  // dialog would report. Arrange answers the new rectangle of every control
  // it places (empty before Measure).
  void Measure(const RECT& dialog, const ControlRects& controls);
  ControlRects Arrange(const RECT& dialog, const ControlRects& controls) const;

  bool initialised() const noexcept { return initialised_; }
  int rowCount() const noexcept { return rowCount_; }
  const LayoutRow& row(int index) const noexcept { return rows_[index]; }

 private:
  // The screen rectangles of every control and reference the rows name.
  ControlRects ReadControls(HWND dialog) const;

  int rowCount_ = 0;
  std::unique_ptr<LayoutRow[]> rows_;
  int divisor_ = 0;
  bool initialised_ = false;
};

}  // namespace ZelUISupport
