#include "controls/grid.h"

#include <algorithm>

namespace quiremark::controls {

Grid::Grid(std::string name, int rows, int cols) : Control(std::move(name)) {
  SetCols(cols);
  SetRows(rows);
}

Grid::Row Grid::NewRow() const {
  Row r;
  r.cells.resize(cols_);
  return r;
}

Grid::Row& Grid::RowAt(int row) {
  if (row < 0 || row >= rows()) throw ControlError(kErrSubscriptOutOfRange, name() + ": row " + std::to_string(row));
  return rows_[row];
}

const Grid::Row& Grid::RowAt(int row) const { return const_cast<Grid*>(this)->RowAt(row); }

void Grid::CheckCol(int col) const {
  if (col < 0 || col >= cols_) throw ControlError(kErrSubscriptOutOfRange, name() + ": column " + std::to_string(col));
}

const Grid::Cell& Grid::CellAt(int row, int col) const {
  CheckCol(col);
  return RowAt(row).cells[col];
}

void Grid::Notify(GridChange::Kind kind, int row, int col) {
  if (redraw_ == kRedrawOff) return;
  if (onGridChanged) onGridChanged(GridChange{kind, row, col});
}

void Grid::SetRows(int count) {
  count = std::max(count, 0);
  if (count == rows()) return;
  if (count < rows()) {
    rows_.resize(count);
  } else {
    // Each new row made in place, not copied from one made only to be copied:
    // a fill adds its rows one by one, and the copy cost twice the row.
    while (rows() < count) rows_.push_back(NewRow());
  }
  if (row_ >= count) row_ = count - 1;
  Notify(GridChange::Kind::Reset);
}

void Grid::SetCols(int count) {
  count = std::max(count, 0);
  cols_ = count;
  for (Row& r : rows_) r.cells.resize(count);
  colWidths_.resize(count, kDefaultColWidth);
  colAlignments_.resize(count, align::kGeneral);
  col_ = std::clamp(col_, 0, std::max(count - 1, 0));
  Notify(GridChange::Kind::Reset);
}

void Grid::SetFixedRows(int count) {
  fixedRows_ = std::max(count, 0);
  Notify(GridChange::Kind::Layout);
}

const std::string& Grid::TextMatrix(int row, int col) const { return CellAt(row, col).text; }

void Grid::SetTextMatrix(int row, int col, const std::string& text) {
  CheckCol(col);
  RowAt(row).cells[col].text = text;
  Notify(GridChange::Kind::Cell, row, col);
}

const std::string& Grid::RowData(int row) const { return RowAt(row).data; }

void Grid::SetRowData(int row, const std::string& data) {
  RowAt(row).data = data;
  Notify(GridChange::Kind::Cell, row);
}

void Grid::AddItem(const std::string& item, int index) {
  if (index < -1 || index > rows())
    throw ControlError(kErrSubscriptOutOfRange, name() + ": AddItem at " + std::to_string(index));
  if (index == -1) index = rows();
  Row r = NewRow();
  std::size_t start = 0;
  for (int c = 0; c < cols_; ++c) {
    const std::size_t tab = item.find('\t', start);
    r.cells[c].text = item.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  rows_.insert(rows_.begin() + index, std::move(r));
  if (row_ >= index) ++row_;
  Notify(GridChange::Kind::Reset);
}

void Grid::RemoveItem(int index) {
  RowAt(index);
  rows_.erase(rows_.begin() + index);
  if (row_ > index || row_ >= rows()) --row_;
  Notify(GridChange::Kind::Reset);
}

void Grid::SetRow(int row) {
  if (row != -1) RowAt(row);
  row_ = row;
  Notify(GridChange::Kind::Current, row_, col_);
}

void Grid::SetCol(int col) {
  CheckCol(col);
  col_ = col;
  Notify(GridChange::Kind::Current, row_, col_);
}

void Grid::Select(int row, int col) {
  RowAt(row);
  CheckCol(col);
  row_ = row;
  col_ = col;
  Notify(GridChange::Kind::Current, row_, col_);
}

void Grid::ShowCell(int row, int col) {
  RowAt(row);
  CheckCol(col);
  Notify(GridChange::Kind::ShowCell, row, col);
}

void Grid::SetMouseCell(int row, int col) {
  mouseRow_ = row;
  mouseCol_ = col;
}

int Grid::selectedRows() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

int Grid::SelectedRow(int index) const {
  for (int r = 0; r < rows(); ++r)
    if (rows_[r].selected && index-- == 0) return r;
  throw ControlError(kErrSubscriptOutOfRange, name() + ": selected row " + std::to_string(index));
}

bool Grid::IsRowSelected(int row) const { return RowAt(row).selected; }

void Grid::SetRowSelected(int row, bool selected) {
  RowAt(row).selected = selected;
  Notify(GridChange::Kind::Selection, row);
}

void Grid::ClearSelection() {
  for (Row& r : rows_) r.selected = false;
  Notify(GridChange::Kind::Selection);
}

void Grid::SetSelectedRows(const std::vector<int>& rows) {
  for (int row : rows) RowAt(row);
  for (Row& r : rows_) r.selected = false;
  for (int row : rows) rows_[row].selected = true;
  Notify(GridChange::Kind::Selection);
}

template <typename F>
void Grid::ForRange(int row1, int col1, int row2, int col2, F apply) {
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  RowAt(row1);
  RowAt(row2);
  CheckCol(col1);
  CheckCol(col2);
  for (int r = row1; r <= row2; ++r)
    for (int c = col1; c <= col2; ++c) apply(rows_[r].cells[c]);
  Notify(row1 == row2 && col1 == col2 ? GridChange::Kind::Cell : GridChange::Kind::Reset, row1 == row2 ? row1 : -1,
         col1 == col2 ? col1 : -1);
}

void Grid::SetCellPicture(int row1, int col1, int row2, int col2, const std::string& picture) {
  ForRange(row1, col1, row2, col2, [&](Cell& c) { c.picture = picture; });
}

void Grid::SetCellAlignment(int row1, int col1, int row2, int col2, int alignment) {
  if (alignment < align::kLeftTop || alignment > align::kGeneral)
    throw ControlError(kErrInvalidPropertyValue, "cell alignment " + std::to_string(alignment));
  ForRange(row1, col1, row2, col2, [&](Cell& c) { c.alignment = alignment; });
}

void Grid::SetCellFontBold(int row1, int col1, int row2, int col2, bool bold) {
  ForRange(row1, col1, row2, col2, [&](Cell& c) { c.bold = bold; });
}

void Grid::SetCellBackColor(int row1, int col1, int row2, int col2, Color color) {
  ForRange(row1, col1, row2, col2, [&](Cell& c) { c.backColor = color; });
}

const std::string& Grid::CellPicture(int row, int col) const { return CellAt(row, col).picture; }
int Grid::CellAlignment(int row, int col) const { return CellAt(row, col).alignment; }
bool Grid::CellFontBold(int row, int col) const { return CellAt(row, col).bold; }
Color Grid::CellBackColor(int row, int col) const { return CellAt(row, col).backColor; }

int Grid::ColWidth(int col) const {
  CheckCol(col);
  return colWidths_[col];
}

void Grid::SetColWidth(int col, int twips) {
  CheckCol(col);
  colWidths_[col] = std::max(twips, 0);
  Notify(GridChange::Kind::Layout, -1, col);
}

int Grid::ColAlignment(int col) const {
  CheckCol(col);
  return colAlignments_[col];
}

void Grid::SetFormatString(const std::string& format) {
  std::vector<std::string> fields;
  for (std::size_t start = 0;;) {
    const std::size_t bar = format.find('|', start);
    fields.push_back(format.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  const int oldRedraw = redraw_;
  redraw_ = kRedrawOff;  // one notification for the whole change
  formatString_ = format;
  SetCols(static_cast<int>(fields.size()));
  if (rows() < 1) SetRows(1);
  for (int c = 0; c < cols_; ++c) {
    std::string text = fields[c];
    int alignment = align::kGeneral;
    if (!text.empty() && (text[0] == '<' || text[0] == '^' || text[0] == '>')) {
      alignment = text[0] == '<' ? align::kLeftCenter : text[0] == '^' ? align::kCenterCenter : align::kRightCenter;
      text.erase(0, 1);
    }
    colAlignments_[c] = alignment;
    rows_[0].cells[c].text = text;
  }
  redraw_ = oldRedraw;
  Notify(GridChange::Kind::Reset);
}

void Grid::SetRedraw(int mode) {
  if (mode < kRedrawOff || mode > kRedrawBuffered)
    throw ControlError(kErrInvalidPropertyValue, "redraw mode " + std::to_string(mode));
  const bool wasOff = redraw_ == kRedrawOff;
  redraw_ = mode;
  if (wasOff && mode != kRedrawOff) Notify(GridChange::Kind::Reset);
}

bool Grid::IsSubtotal(int row) const { return RowAt(row).node; }

void Grid::SetIsSubtotal(int row, bool node) {
  RowAt(row).node = node;
  Notify(GridChange::Kind::Cell, row);
}

int Grid::RowOutlineLevel(int row) const { return RowAt(row).level; }

void Grid::SetRowOutlineLevel(int row, int level) {
  RowAt(row).level = level;
  Notify(GridChange::Kind::Cell, row);
}

int Grid::IsCollapsed(int row) const { return RowAt(row).collapsed; }

bool Grid::SetIsCollapsed(int row, int state) {
  if (state != kExpanded && state != kCollapsed)
    throw ControlError(kErrInvalidPropertyValue, "collapsed state " + std::to_string(state));
  if (RowAt(row).collapsed == state) return false;
  bool cancel = false;
  if (onBeforeCollapse) onBeforeCollapse(row, state, cancel);
  // The handler may have added or removed rows; the row index still names the row that was asked for.
  if (cancel || row >= rows()) return false;
  rows_[row].collapsed = state;
  Notify(GridChange::Kind::Outline, row);
  return true;
}

void Grid::Outline(int level) {
  bool cancel = false;
  if (onBeforeCollapse) onBeforeCollapse(-1, kCollapsed, cancel);
  if (cancel) return;
  for (Row& r : rows_)
    if (r.node) r.collapsed = r.level < level ? kExpanded : kCollapsed;
  Notify(GridChange::Kind::Outline);
}

int Grid::OutlineParent(int row) const {
  const int level = RowAt(row).level;
  for (int r = row - 1; r >= 0; --r)
    if (rows_[r].node && rows_[r].level < level) return r;
  return -1;
}

bool Grid::RowShown(int row) const {
  for (int p = OutlineParent(row); p >= 0; p = OutlineParent(p))
    if (rows_[p].collapsed == kCollapsed) return false;
  return true;
}

void Grid::RaiseDblClick() {
  if (onDblClick) onDblClick();
}

int Grid::RaiseKeyDown(int keyCode, int shift) {
  if (onKeyDown) onKeyDown(keyCode, shift);
  return keyCode;
}

int Grid::RaiseKeyPress(int keyAscii) {
  if (onKeyPress) onKeyPress(keyAscii);
  return keyAscii;
}

void Grid::RaiseMouseDown(int button, int shift, float x, float y) {
  if (onMouseDown) onMouseDown(button, shift, x, y);
}

void Grid::RaiseMouseUp(int button, int shift, float x, float y) {
  if (onMouseUp) onMouseUp(button, shift, x, y);
}

}  // namespace quiremark::controls
