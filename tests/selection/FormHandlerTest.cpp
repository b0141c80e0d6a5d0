#include <windows.h>

#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "comlib/Unique.h"
#include "selection/FormHandler.h"

using namespace ZelUISupport;

namespace {

LayoutRow Row(int id, int edge, int mode, int reference = 0, int offsetKind = kOffsetMeasured,
              int offset = 0) {
  LayoutRow r{};
  r.active = TRUE;
  r.controlId = id;
  r.edge = edge;
  r.anchorMode = mode;
  r.offsetKind = offsetKind;
  r.offset = offset;
  r.referenceId = reference;
  return r;
}

LayoutRow Proportional(int id, int edge, int proportion) {
  LayoutRow r = Row(id, edge, kAnchorProportional);
  r.proportion = proportion;
  return r;
}

RECT Rc(LONG l, LONG t, LONG r, LONG b) { return RECT{l, t, r, b}; }


// Measures against `before`, then arranges for `after`.
ControlRects MeasureThenArrange(const std::vector<LayoutRow>& rows, const RECT& before,
                                const RECT& after, const ControlRects& controls,
                                int divisor = 100) {
  CZelFormHandler handler(static_cast<int>(rows.size()), rows.data(), divisor);
  handler.Measure(before, controls);
  return handler.Arrange(after, controls);
}

// Every anchor mode against every edge, with a given (not measured) offset
// of 3, so the placed edge is the anchor plus 3.
TEST(FormLayoutAnchor, EveryModeOnEveryEdge) {
  const RECT dialog = Rc(-50, -40, 150, 260);  // 200 wide, 300 high
  const RECT reference = Rc(10, 20, 70, 90);
  const RECT control = Rc(0, 0, 5, 5);
  struct Case {
    int line;
    int mode;
    int edge;
    LONG anchor;
  };
  const Case cases[] = {
      {__LINE__, kAnchorDialogSameSide, kEdgeTop, -40},
      {__LINE__, kAnchorDialogSameSide, kEdgeBottom, 260},
      {__LINE__, kAnchorDialogSameSide, kEdgeLeft, -50},
      {__LINE__, kAnchorDialogSameSide, kEdgeRight, 150},
      {__LINE__, kAnchorDialogOppositeSide, kEdgeTop, 260},
      {__LINE__, kAnchorDialogOppositeSide, kEdgeBottom, -40},
      {__LINE__, kAnchorDialogOppositeSide, kEdgeLeft, 150},
      {__LINE__, kAnchorDialogOppositeSide, kEdgeRight, -50},
      {__LINE__, kAnchorReferenceOppositeSide, kEdgeTop, 90},
      {__LINE__, kAnchorReferenceOppositeSide, kEdgeBottom, 20},
      {__LINE__, kAnchorReferenceOppositeSide, kEdgeLeft, 70},
      {__LINE__, kAnchorReferenceOppositeSide, kEdgeRight, 10},
      {__LINE__, kAnchorReferenceSameSide, kEdgeTop, 20},
      {__LINE__, kAnchorReferenceSameSide, kEdgeBottom, 90},
      {__LINE__, kAnchorReferenceSameSide, kEdgeLeft, 10},
      {__LINE__, kAnchorReferenceSameSide, kEdgeRight, 70},
      // 30% of the height or width from the top or left.
      {__LINE__, kAnchorProportional, kEdgeTop, 50},
      {__LINE__, kAnchorProportional, kEdgeBottom, 50},
      {__LINE__, kAnchorProportional, kEdgeLeft, 10},
      {__LINE__, kAnchorProportional, kEdgeRight, 10},
      // 7 pixels from the top or left.
      {__LINE__, kAnchorFixed, kEdgeTop, -33},
      {__LINE__, kAnchorFixed, kEdgeBottom, -33},
      {__LINE__, kAnchorFixed, kEdgeLeft, -43},
      {__LINE__, kAnchorFixed, kEdgeRight, -43},
      // An unknown mode anchors at 0.
      {__LINE__, 6, kEdgeTop, 0},
      {__LINE__, 6, kEdgeRight, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    LayoutRow row = Row(10, c.edge, c.mode, 20, kOffsetGiven, 3);
    row.proportion = 30;
    row.fixedDistance = 7;
    const ControlRects placed =
        MeasureThenArrange({row}, dialog, dialog, {{10, control}, {20, reference}});
    ASSERT_EQ(placed.count(10), 1u);
    RECT expected = control;
    LONG* edges[] = {&expected.top, &expected.bottom, &expected.left, &expected.right};
    *edges[c.edge] = c.anchor + 3;
    EXPECT_EQ(placed.at(10), expected);
  }
}

// The product is formed first (without overflow), then divided toward zero.
TEST(FormLayoutAnchor, ProportionTruncatesTowardZeroAfterMultiplying) {
  struct Case {
    int line;
    RECT dialog;
    int edge;
    int proportion;
    int divisor;
    int anchor;
  };
  const Case cases[] = {
      {__LINE__, Rc(-301, 0, -151, 10), kEdgeLeft, 1, 100, -300},    // 150/100 = 1
      {__LINE__, Rc(-301, 0, -151, 10), kEdgeLeft, -1, 100, -302},   // -150/100 = -1, not -2
      {__LINE__, Rc(-301, 0, -151, 10), kEdgeRight, 1, -100, -302},  // negative divisor
      {__LINE__, Rc(-100, 0, -50, 10), kEdgeLeft, 3, 100, -99},      // 3*50/100, not 3*(50/100)
      {__LINE__, Rc(0, -200, 10, -99), kEdgeTop, 50, 100, -150},     // 5050/100 = 50
      {__LINE__, Rc(0, -200, 10, -99), kEdgeBottom, -50, 100, -250}, // -5050/100 = -50
      {__LINE__, Rc(0, 0, 1000, 10), kEdgeLeft, 3000000, 1000, 3000000},  // product past 2^31
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case at line " << c.line);
    LayoutRow row = Proportional(10, c.edge, c.proportion);
    EXPECT_EQ(AnchorCoordinate(row, c.dialog, nullptr, c.divisor), c.anchor);
  }
}

TEST(FormLayoutAnchor, RowsThatCannotBePlacedHaveNoAnchor) {
  const RECT dialog = Rc(0, 0, 100, 100);
  const auto placeable = [&](const LayoutRow& row, int divisor) {
    return AnchorCoordinate(row, dialog, nullptr, divisor).has_value();
  };
  EXPECT_FALSE(placeable(Row(10, kEdgeTop, kAnchorReferenceSameSide), 100));
  EXPECT_FALSE(placeable(Row(10, kEdgeTop, kAnchorReferenceOppositeSide), 100));
  EXPECT_FALSE(placeable(Proportional(10, kEdgeTop, 50), 0));
  EXPECT_FALSE(placeable(Row(10, 4, kAnchorDialogSameSide), 100));
}

// A control 100..200 wide in a dialog 0..400 wide that grows to 500.
TEST(FormHandler, RightEdgeToSameSideWidensLeftEdgeToOppositeSideMoves) {
  const RECT before = Rc(0, 0, 400, 300), after = Rc(0, 0, 500, 300);
  const ControlRects controls = {{10, Rc(100, 50, 200, 80)}};

  const LayoutRow widen = Row(10, kEdgeRight, kAnchorDialogSameSide);
  EXPECT_EQ(MeasureThenArrange({widen}, before, after, controls).at(10), Rc(100, 50, 300, 80));
  EXPECT_EQ(MeasureThenArrange({widen, Row(10, kEdgeLeft, kAnchorDialogOppositeSide)},
                               before, after, controls)
                .at(10),
            Rc(200, 50, 300, 80));
}

TEST(FormHandler, ProportionalEdgeStaysAtTheMiddlePlusMeasuredOffset) {
  const RECT before = Rc(0, 0, 400, 300), after = Rc(0, 0, 600, 500);
  // Left edge 10 right of the middle, top edge 20 above it.
  const ControlRects controls = {{10, Rc(210, 130, 260, 170)}};
  const ControlRects placed = MeasureThenArrange(
      {Proportional(10, kEdgeLeft, 50), Proportional(10, kEdgeTop, 50)}, before, after, controls);
  EXPECT_EQ(placed.at(10), Rc(310, 230, 260, 170));
}

TEST(FormHandler, MissingControlOrReferenceIsSkippedByBothOperations) {
  const std::vector<LayoutRow> rows = {
      Row(99, kEdgeRight, kAnchorDialogSameSide, 0, kOffsetMeasured, 5),
      Row(10, kEdgeTop, kAnchorReferenceOppositeSide, 98, kOffsetMeasured, 6),
      Row(10, kEdgeLeft, kAnchorReferenceSameSide, 98, kOffsetMeasured, 7),
      Row(99, kEdgeBottom, kAnchorDialogSameSide, 0, kOffsetPlusExtent, 8),
  };
  const ControlRects controls = {{10, Rc(10, 20, 30, 40)}};
  CZelFormHandler handler(static_cast<int>(rows.size()), rows.data(), 100);
  handler.Measure(Rc(0, 0, 400, 300), controls);
  EXPECT_TRUE(handler.initialised());
  for (int i = 0; i < handler.rowCount(); ++i)
    EXPECT_EQ(handler.row(i).offset, rows[i].offset) << "row " << i;

  const ControlRects placed = handler.Arrange(Rc(0, 0, 900, 900), controls);
  EXPECT_EQ(placed.count(99), 0u);
  // The control stands in rows, so it is placed, but where it already is.
  EXPECT_EQ(placed.at(10), Rc(10, 20, 30, 40));
}

TEST(FormHandler, InactiveRowsAreIgnored) {
  LayoutRow row = Row(10, kEdgeRight, kAnchorDialogSameSide, 0, kOffsetPlusExtent, 5);
  row.active = FALSE;
  CZelFormHandler handler(1, &row, 100);
  const ControlRects controls = {{10, Rc(10, 20, 30, 40)}};
  handler.Measure(Rc(0, 0, 400, 300), controls);
  EXPECT_EQ(handler.row(0).offset, 5);
  EXPECT_TRUE(handler.Arrange(Rc(0, 0, 900, 900), controls).empty());
}

TEST(FormHandler, ArrangeBeforeMeasureAndSecondMeasureChangeNothing) {
  const LayoutRow row = Row(10, kEdgeRight, kAnchorDialogSameSide);
  CZelFormHandler handler(1, &row, 100);
  const ControlRects controls = {{10, Rc(100, 50, 200, 80)}};
  EXPECT_FALSE(handler.initialised());
  EXPECT_TRUE(handler.Arrange(Rc(0, 0, 500, 300), controls).empty());

  handler.Measure(Rc(0, 0, 400, 300), controls);
  EXPECT_EQ(handler.row(0).offset, -200);
  handler.Measure(Rc(0, 0, 900, 300), {{10, Rc(0, 0, 10, 10)}});
  EXPECT_EQ(handler.row(0).offset, -200);
  EXPECT_EQ(handler.Arrange(Rc(0, 0, 500, 300), controls).at(10), Rc(100, 50, 300, 80));
}

TEST(FormHandler, RowsAreCopiedAtConstruction) {
  std::vector<LayoutRow> rows = {Row(10, kEdgeRight, kAnchorDialogSameSide)};
  CZelFormHandler handler(1, rows.data(), 100);
  rows[0].controlId = 11;
  rows.clear();
  rows.shrink_to_fit();
  handler.Measure(Rc(0, 0, 400, 300), {{10, Rc(100, 50, 200, 80)}});
  EXPECT_EQ(handler.row(0).controlId, 10);
  EXPECT_EQ(handler.row(0).offset, -200);
}

TEST(FormHandler, NullOrNegativeRowCountGivesAnEmptyTable) {
  const LayoutRow row = Row(10, kEdgeRight, kAnchorDialogSameSide);
  CZelFormHandler negative(-1, &row, 100);
  CZelFormHandler null(3, nullptr, 100);
  for (CZelFormHandler* h : {&negative, &null}) {
    EXPECT_EQ(h->rowCount(), 0);
    h->Measure(Rc(0, 0, 10, 10), {{10, Rc(1, 1, 2, 2)}});
    EXPECT_TRUE(h->Arrange(Rc(0, 0, 20, 20), {{10, Rc(1, 1, 2, 2)}}).empty());
  }
}

// Offset kind 2 adds the control's height (top, bottom) or width (left,
// right) to the given offset; other kinds keep the given offset as it is.
TEST(FormHandler, OffsetKindTwoAddsTheControlsExtent) {
  const std::vector<LayoutRow> rows = {
      Row(10, kEdgeTop, kAnchorDialogSameSide, 0, kOffsetPlusExtent, 5),
      Row(20, kEdgeRight, kAnchorDialogSameSide, 0, kOffsetPlusExtent, -3),
      Row(30, kEdgeBottom, kAnchorDialogSameSide, 0, 7, -12),
  };
  const ControlRects controls = {
      {10, Rc(0, 0, 60, 40)}, {20, Rc(0, 0, 60, 40)}, {30, Rc(0, 0, 60, 40)}};
  CZelFormHandler handler(static_cast<int>(rows.size()), rows.data(), 100);
  handler.Measure(Rc(0, 0, 400, 300), controls);
  EXPECT_EQ(handler.row(0).offset, 45);
  EXPECT_EQ(handler.row(1).offset, 57);
  EXPECT_EQ(handler.row(2).offset, -12);

  const ControlRects placed = handler.Arrange(Rc(10, 20, 500, 400), controls);
  EXPECT_EQ(placed.at(10), Rc(0, 65, 60, 40));
  EXPECT_EQ(placed.at(20), Rc(0, 0, 557, 40));
  EXPECT_EQ(placed.at(30), Rc(0, 0, 60, 388));
}

// A reference placed earlier in the same pass is followed to its new place;
// one placed later is taken where it was before the pass.
TEST(FormHandler, ReferenceResolvesThroughThisPassesPlacements) {
  const std::vector<LayoutRow> rows = {
      Row(1, kEdgeBottom, kAnchorDialogSameSide),
      Row(2, kEdgeTop, kAnchorReferenceOppositeSide, 1),  // 1 is placed above
      Row(3, kEdgeTop, kAnchorReferenceOppositeSide, 4),  // 4 is placed below
      Row(4, kEdgeBottom, kAnchorDialogSameSide),
  };
  const ControlRects controls = {
      {1, Rc(0, 10, 50, 100)}, {2, Rc(0, 110, 50, 300)},
      {4, Rc(60, 10, 100, 100)}, {3, Rc(60, 110, 100, 300)}};
  const ControlRects placed =
      MeasureThenArrange(rows, Rc(0, 0, 400, 400), Rc(0, 0, 400, 450), controls);
  EXPECT_EQ(placed.at(1), Rc(0, 10, 50, 150));
  EXPECT_EQ(placed.at(2), Rc(0, 160, 50, 300));
  EXPECT_EQ(placed.at(4), Rc(60, 10, 100, 150));
  EXPECT_EQ(placed.at(3), Rc(60, 110, 100, 300));
}

TEST(FormHandler, DivisorZeroSkipsProportionalRowsInsteadOfDividing) {
  const std::vector<LayoutRow> rows = {
      Proportional(10, kEdgeLeft, 50),
      Row(10, kEdgeRight, kAnchorDialogSameSide),
  };
  const ControlRects controls = {{10, Rc(100, 50, 200, 80)}};
  CZelFormHandler handler(static_cast<int>(rows.size()), rows.data(), 0);
  handler.Measure(Rc(0, 0, 400, 300), controls);
  EXPECT_EQ(handler.row(0).offset, 0);
  EXPECT_EQ(handler.Arrange(Rc(0, 0, 500, 300), controls).at(10), Rc(100, 50, 300, 80));
}

// The backup details dialog's table: selector 666 over editor 777 over the
// OK (1) and Cancel (2) buttons at the lower right.
std::vector<LayoutRow> DetailsRows() {
  const int kSame = kAnchorDialogSameSide, kOpposite = kAnchorDialogOppositeSide;
  std::vector<LayoutRow> rows = {
      Row(666, kEdgeRight, kSame), Row(666, kEdgeLeft, kSame),
      Row(666, kEdgeTop, kSame),   Row(666, kEdgeBottom, kSame),
      Row(777, kEdgeRight, kSame), Row(777, kEdgeLeft, kSame),
      Row(777, kEdgeTop, kAnchorReferenceOppositeSide, 666), Row(777, kEdgeBottom, kSame),
      Row(1, kEdgeRight, kSame),   Row(1, kEdgeLeft, kOpposite),
      Row(1, kEdgeTop, kOpposite), Row(1, kEdgeBottom, kSame),
      Row(2, kEdgeRight, kSame),   Row(2, kEdgeLeft, kOpposite),
      Row(2, kEdgeTop, kOpposite), Row(2, kEdgeBottom, kSame),
  };
  return rows;
}

TEST(FormHandler, DetailsTableFollowsAnEnlargementOf100EachWay) {
  const RECT before = Rc(100, 50, 620, 530);
  const RECT after = Rc(100, 50, 720, 630);
  const ControlRects controls = {
      {666, Rc(113, 83, 607, 300)},
      {777, Rc(113, 310, 607, 490)},
      {1, Rc(400, 495, 480, 520)},
      {2, Rc(490, 495, 570, 520)},
  };
  const ControlRects placed = MeasureThenArrange(DetailsRows(), before, after, controls);
  EXPECT_EQ(placed.at(666), Rc(113, 83, 707, 400));
  EXPECT_EQ(placed.at(777), Rc(113, 410, 707, 590));
  EXPECT_EQ(placed.at(1), Rc(500, 595, 580, 620));
  EXPECT_EQ(placed.at(2), Rc(590, 595, 670, 620));
}

// A real top-level window whose size changes are laid out by the handler.
class FormHandlerWindow : public testing::Test {
 protected:
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_SIZE) {
      if (auto* h = reinterpret_cast<CZelFormHandler*>(GetWindowLongPtrW(w, GWLP_USERDATA)))
        h->Layout(w);
      return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
  }

  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FormHandlerTestWindow";
    RegisterClassW(&wc);  // already registered on a repeat run: fine
    window_.reset(CreateWindowExW(0, wc.lpszClassName, L"Layout", WS_OVERLAPPEDWINDOW, 40, 30,
                                  520, 480, nullptr, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(window_);
    RECT client;
    GetClientRect(window_.get(), &client);
    const LONG w = client.right, h = client.bottom;
    Child(L"STATIC", 666, 10, 10, w - 10, h - 200);
    Child(L"EDIT", 777, 10, h - 190, w - 10, h - 40);
    Child(L"BUTTON", IDOK, w - 110, h - 30, w - 60, h - 10);
    Child(L"BUTTON", IDCANCEL, w - 55, h - 30, w - 5, h - 10);
  }

  void Child(const wchar_t* cls, int id, LONG l, LONG t, LONG r, LONG b) {
    ASSERT_TRUE(CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE, l, t, r - l, b - t,
                                window_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr));
  }

  // The control's rectangle in the window's client coordinates.
  RECT Placed(int id) const {
    RECT r{};
    GetWindowRect(GetDlgItem(window_.get(), id), &r);
    MapWindowPoints(nullptr, window_.get(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  static RECT Shifted(RECT r, LONG dl, LONG dt, LONG dr, LONG db) {
    return Rc(r.left + dl, r.top + dt, r.right + dr, r.bottom + db);
  }

  comlib::UniqueHwnd window_;
};

TEST_F(FormHandlerWindow, ControlsFollowTheEnlargedWindow) {
  const std::vector<LayoutRow> rows = DetailsRows();
  CZelFormHandler handler(static_cast<int>(rows.size()), rows.data(), 100);
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handler));
  const RECT selector = Placed(666), editor = Placed(777), ok = Placed(IDOK),
             cancel = Placed(IDCANCEL);

  // Size changes before Init move nothing.
  SetWindowPos(window_.get(), nullptr, 0, 0, 560, 500, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Placed(666), selector);
  SetWindowPos(window_.get(), nullptr, 0, 0, 520, 480, SWP_NOMOVE | SWP_NOZORDER);

  handler.Init(window_.get());
  handler.Layout(window_.get());
  EXPECT_EQ(Placed(666), selector);
  EXPECT_EQ(Placed(IDOK), ok);

  ASSERT_TRUE(SetWindowPos(window_.get(), nullptr, 0, 0, 620, 580, SWP_NOMOVE | SWP_NOZORDER));
  EXPECT_EQ(Placed(666), Shifted(selector, 0, 0, 100, 100));
  EXPECT_EQ(Placed(777), Shifted(editor, 0, 100, 100, 100));
  EXPECT_EQ(Placed(IDOK), Shifted(ok, 100, 100, 100, 100));
  EXPECT_EQ(Placed(IDCANCEL), Shifted(cancel, 100, 100, 100, 100));
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

}  // namespace
