#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/control.h"

namespace quiremark::controls {

// Cell alignments, by their numbers in the forms.
namespace align {
inline constexpr int kLeftTop = 0;
inline constexpr int kLeftCenter = 1;
inline constexpr int kLeftBottom = 2;
inline constexpr int kCenterTop = 3;
inline constexpr int kCenterCenter = 4;
inline constexpr int kCenterBottom = 5;
inline constexpr int kRightTop = 6;
inline constexpr int kRightCenter = 7;
inline constexpr int kRightBottom = 8;
inline constexpr int kGeneral = 9;
}  // namespace align

// Redraw modes.
inline constexpr int kRedrawOff = 0;
inline constexpr int kRedrawOn = 1;
inline constexpr int kRedrawBuffered = 2;

// Collapsed states of an outline row.
inline constexpr int kExpanded = 0;
inline constexpr int kCollapsed = 2;

// What changed, so a view can update only that. row/col are -1 when the
// change is not about one row or cell.
struct GridChange {
  enum class Kind {
    Reset,      // rows or columns added, removed or reordered; redraw switched back on
    Cell,       // text or look of cell (row, col); col -1: the whole row (data, outline fields)
    Layout,     // column widths, header format, back colour, fixed rows
    Outline,    // collapsed states (row -1: many rows)
    Current,    // the current cell
    Selection,  // the multi-row selection
    ShowCell,   // bring cell (row, col) into view
  };
  Kind kind;
  int row = -1;
  int col = -1;
};

// A grid of text cells, used as a table (the file grid, row 0 its header) or
// as an outline (the folder tree). Row and column indexes start at 0; an
// index outside the grid throws ControlError 381.
//
// Notifications to the form logic (the on... handlers) run on the caller's
// thread; the view (or a test) raises the user's events through Raise...,
// after setting the row under the mouse pointer with SetMouseRow.
class Grid : public Control {
 public:
  explicit Grid(std::string name, int rows = 1, int cols = 1);

  // --- rows, columns and cells
  int rows() const { return static_cast<int>(rows_.size()); }
  void SetRows(int count);  // a smaller count drops the rows beyond it
  int cols() const { return cols_; }
  void SetCols(int count);
  int fixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);

  const std::string& TextMatrix(int row, int col) const;
  void SetTextMatrix(int row, int col, const std::string& text);
  const std::string& RowData(int row) const;
  void SetRowData(int row, const std::string& data);

  // Adds a row whose cells take the tab-separated parts of `item`, at the
  // end (index -1) or before row `index`; the current row and the selection
  // stay on their rows.
  void AddItem(const std::string& item, int index = -1);
  // Removes a row; what follows it moves up with its data, look, outline
  // fields and selection.
  void RemoveItem(int index);

  // --- current cell, mouse row, selection
  int row() const { return row_; }
  int col() const { return col_; }
  void SetRow(int row);  // -1: no current row
  void SetCol(int col);
  void Select(int row, int col);    // makes the cell current
  void ShowCell(int row, int col);  // asks the view to scroll it into view

  // Row under the mouse pointer: below 0 over no row. The view sets it
  // before it raises a mouse event.
  int mouseRow() const { return mouseRow_; }
  int mouseCol() const { return mouseCol_; }
  void SetMouseCell(int row, int col = 0);

  // The user's multi-row selection, in the grid's order (top to bottom).
  int selectedRows() const;
  int SelectedRow(int index) const;  // index 0 .. selectedRows() - 1
  bool IsRowSelected(int row) const;
  void SetRowSelected(int row, bool selected);
  void ClearSelection();
  // Makes exactly these rows the selection, told to the view as one change.
  void SetSelectedRows(const std::vector<int>& rows);

  // --- look
  // Cell properties over the range of rows row1..row2 and columns col1..col2 (either order).
  void SetCellPicture(int row1, int col1, int row2, int col2, const std::string& picture);
  void SetCellAlignment(int row1, int col1, int row2, int col2, int alignment);
  void SetCellFontBold(int row1, int col1, int row2, int col2, bool bold);
  // 0 gives the cell the grid's back colour again.
  void SetCellBackColor(int row1, int col1, int row2, int col2, Color color);
  const std::string& CellPicture(int row, int col) const;
  int CellAlignment(int row, int col) const;
  bool CellFontBold(int row, int col) const;
  Color CellBackColor(int row, int col) const;  // 0: the grid's back colour

  int ColWidth(int col) const;  // twips
  void SetColWidth(int col, int twips);
  // The width of a column nobody has sized: a view may show it wider, as
  // wide as its texts.
  static constexpr int kDefaultColWidth = 1200;
  int ColAlignment(int col) const;

  // Header format "|"-separated, one field per column; a leading "<", "^"
  // or ">" aligns the column left, centre or right and is not part of the
  // text. Sets the column count and the texts of row 0.
  void SetFormatString(const std::string& format);
  const std::string& formatString() const { return formatString_; }

  int redraw() const { return redraw_; }
  void SetRedraw(int mode);

  // --- outline
  bool IsSubtotal(int row) const;  // the row is an outline node
  void SetIsSubtotal(int row, bool node);
  int RowOutlineLevel(int row) const;
  void SetRowOutlineLevel(int row, int level);
  int IsCollapsed(int row) const;
  // Changes a row's collapsed state as a click on its outline button does:
  // before-collapse runs first and may refuse. Returns whether the state was
  // applied (false also when it already had that state).
  bool SetIsCollapsed(int row, int state);
  // Collapses the outline to `level`: nodes above that level are expanded,
  // the others collapsed. Raised once as before-collapse with row -1 and
  // state 2; a refusal leaves every row as it was.
  void Outline(int level);
  // The nearest node above `row` with a lower level (-1: none).
  int OutlineParent(int row) const;
  // Whether the row shows: no node above it on its outline path is collapsed.
  bool RowShown(int row) const;

  // --- notifications to the form logic
  std::function<void(int row, int state, bool& cancel)> onBeforeCollapse;
  std::function<void()> onDblClick;
  std::function<void(int& keyCode, int shift)> onKeyDown;
  std::function<void(int& keyAscii)> onKeyPress;
  std::function<void(int button, int shift, float x, float y)> onMouseDown;
  std::function<void(int button, int shift, float x, float y)> onMouseUp;

  void RaiseDblClick();
  int RaiseKeyDown(int keyCode, int shift);  // returns the key code the handler leaves (0: swallowed)
  int RaiseKeyPress(int keyAscii);
  void RaiseMouseDown(int button, int shift, float x, float y);
  void RaiseMouseUp(int button, int shift, float x, float y);

  // --- for the view; not raised while redraw is off (switching it on raises Reset)
  std::function<void(const GridChange&)> onGridChanged;

 private:
  struct Cell {
    std::string text;
    std::string picture;
    int alignment = align::kGeneral;
    bool bold = false;
    Color backColor = 0;
  };
  struct Row {
    std::vector<Cell> cells;
    std::string data;
    bool node = false;
    int level = 0;
    int collapsed = kExpanded;
    bool selected = false;
  };

  Row& RowAt(int row);
  const Row& RowAt(int row) const;
  const Cell& CellAt(int row, int col) const;
  void CheckCol(int col) const;
  template <typename F>
  void ForRange(int row1, int col1, int row2, int col2, F apply);
  void Notify(GridChange::Kind kind, int row = -1, int col = -1);
  Row NewRow() const;

  std::vector<Row> rows_;
  int cols_ = 1;
  int fixedRows_ = 0;
  std::vector<int> colWidths_;
  std::vector<int> colAlignments_;
  std::string formatString_;
  int row_ = -1, col_ = 0;
  int mouseRow_ = -1, mouseCol_ = -1;
  int redraw_ = kRedrawOn;
};

// Switches a grid's redraw off for a scope and puts the previous mode back on
// every way out, so a view hears of a whole fill or rebuild once, as one
// Reset, instead of once per row. Within a scope that already had redraw off
// nothing is raised; the outer scope raises the one Reset.
class RedrawSuspended {
 public:
  explicit RedrawSuspended(Grid& grid) : grid_(grid), mode_(grid.redraw()) { grid_.SetRedraw(kRedrawOff); }
  ~RedrawSuspended() { grid_.SetRedraw(mode_); }
  RedrawSuspended(const RedrawSuspended&) = delete;
  RedrawSuspended& operator=(const RedrawSuspended&) = delete;

 private:
  Grid& grid_;
  int mode_;
};

}  // namespace quiremark::controls
