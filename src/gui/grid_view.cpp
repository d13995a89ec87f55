#include "gui/grid_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "controls/input_codes.h"
#include "gui/command_bars_view.h"
#include "gui/focus_ring.h"
#include "gui/key_codes.h"
#include "gui/pictures.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

using controls::Grid;
using controls::GridChange;

Qt::Alignment AlignmentOf(int alignment, bool numeric) {
  namespace a = controls::align;
  Qt::Alignment horizontal;
  switch (alignment) {
    case a::kLeftTop: case a::kLeftCenter: case a::kLeftBottom: horizontal = Qt::AlignLeft; break;
    case a::kCenterTop: case a::kCenterCenter: case a::kCenterBottom: horizontal = Qt::AlignHCenter; break;
    case a::kRightTop: case a::kRightCenter: case a::kRightBottom: horizontal = Qt::AlignRight; break;
    default: horizontal = numeric ? Qt::AlignRight : Qt::AlignLeft; break;  // general: numbers right
  }
  Qt::Alignment vertical = Qt::AlignVCenter;
  if (alignment == a::kLeftTop || alignment == a::kCenterTop || alignment == a::kRightTop) vertical = Qt::AlignTop;
  if (alignment == a::kLeftBottom || alignment == a::kCenterBottom || alignment == a::kRightBottom)
    vertical = Qt::AlignBottom;
  return horizontal | vertical;
}

bool IsNumber(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Draws the cells without a focus mark of their own: the view marks the
// whole current row.
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem plain = option;
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
  }
};

// Draws the first column of an outline: the dotted connector lines and the
// expand/collapse button of node rows in the indentation, then picture and
// text as usual.
class OutlineDelegate : public CellDelegate {
 public:
  OutlineDelegate(GridView& view) : CellDelegate(&view), view_(view) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = view_.tableModel().GridRow(index.row());
    const Grid& grid = view_.grid();
    if (index.column() != 0 || !view_.tableModel().Holds(row, 0)) return CellDelegate::paint(painter, option, index);
    const int level = std::max(grid.RowOutlineLevel(row), 0);
    QStyleOptionViewItem shifted = option;
    shifted.rect.setLeft(option.rect.left() + (level + 1) * GridView::kIndent);
    CellDelegate::paint(painter, shifted, index);
    painter->save();
    DrawConnectors(*painter, option.rect, level, view_.BranchesOf(row));
    if (const QRect button = view_.OutlineButtonRect(row); !button.isEmpty())
      DrawButton(*painter, button, grid.IsCollapsed(row));
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (const int row = view_.tableModel().GridRow(index.row()); index.column() == 0 && view_.tableModel().Holds(row, 0)) {
      size.rwidth() += (std::max(view_.grid().RowOutlineLevel(row), 0) + 1) * GridView::kIndent;
    }
    return size;
  }

 private:
  // The lines of the levels that run on through the row, the row's own line
  // from above (to its parent or previous sibling) and on down to its next
  // sibling, and the stub to its picture.
  static void DrawConnectors(QPainter& painter, const QRect& cell, int level, GridView::Branches branches) {
    painter.setPen(QPen(QColor(150, 150, 160), 1, Qt::DotLine));
    const auto x = [&](int l) { return cell.left() + l * GridView::kIndent + GridView::kIndent / 2; };
    const int mid = cell.top() + cell.height() / 2;
    for (int l = 0; l < level && l < 64; ++l)
      if (branches.through >> l & 1) painter.drawLine(x(l), cell.top(), x(l), cell.bottom());
    if (level == 0 && !branches.next) return;  // a lone root joins nothing
    if (level > 0) painter.drawLine(x(level), cell.top(), x(level), mid);
    if (branches.next) painter.drawLine(x(level), mid, x(level), cell.bottom());
    painter.drawLine(x(level), mid, x(level) + GridView::kIndent / 2, mid);
  }

  static void DrawButton(QPainter& painter, const QRect& box, int collapsed) {
    painter.setPen(QColor(120, 120, 130));
    painter.setBrush(Qt::white);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(30, 30, 40));
    const int mid = box.top() + box.height() / 2;
    painter.drawLine(box.left() + 2, mid, box.right() - 2, mid);
    if (collapsed == controls::kCollapsed) {
      const int centre = box.left() + box.width() / 2;
      painter.drawLine(centre, box.top() + 2, centre, box.bottom() - 2);
    }
  }

  GridView& view_;
};

}  // namespace

// --- GridTableModel

GridTableModel::GridTableModel(Grid& grid, bool headerRow, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), headerRows_(headerRow ? 1 : 0) {}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(grid_.rows() - headerRows_, 0);
}

int GridTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.cols(); }

bool GridTableModel::Holds(int gridRow, int col) const {
  return gridRow >= 0 && gridRow < grid_.rows() && col >= 0 && col < grid_.cols();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  const int row = GridRow(index.row());
  const int col = index.column();
  if (!index.isValid() || !Holds(row, col)) return {};
  switch (role) {
    case Qt::DisplayRole: return ToQString(grid_.TextMatrix(row, col));
    case Qt::DecorationRole: {
      const QIcon icon = PictureIcon(grid_.CellPicture(row, col));
      return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::TextAlignmentRole: {
      int alignment = grid_.CellAlignment(row, col);
      if (alignment == controls::align::kGeneral) alignment = grid_.ColAlignment(col);
      return QVariant::fromValue(AlignmentOf(alignment, IsNumber(grid_.TextMatrix(row, col))));
    }
    case Qt::FontRole:
      if (grid_.CellFontBold(row, col)) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::BackgroundRole: {
      const controls::Color color = grid_.CellBackColor(row, col);
      if (color == 0 || controls::IsSystemColor(color)) return {};
      return QBrush(FromColorNumber(color));
    }
    default: return {};
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || headerRows_ == 0 || !Holds(0, section)) return {};
  if (role == Qt::DisplayRole) return ToQString(grid_.TextMatrix(0, section));
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(AlignmentOf(grid_.ColAlignment(section), false));
  return {};
}

void GridTableModel::Reset() {
  beginResetModel();
  endResetModel();
}

void GridTableModel::RowChanged(int gridRow) {
  if (gridRow < headerRows_) {
    emit headerDataChanged(Qt::Horizontal, 0, std::max(grid_.cols() - 1, 0));
    return;
  }
  if (gridRow >= grid_.rows()) return;
  emit dataChanged(index(ViewRow(gridRow), 0), index(ViewRow(gridRow), std::max(grid_.cols() - 1, 0)));
}

// --- GridView

GridView::GridView(Grid& grid, Kind kind, QWidget* parent)
    : QTableView(parent), grid_(grid), kind_(kind), model_(new GridTableModel(grid, kind == Kind::Table, this)) {
  setObjectName(ToQString(grid.name()));
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setMouseTracking(true);
  setWordWrap(false);
  setTabKeyNavigation(false);  // Tab goes on to the next control; the arrows move the current row
  setFrameStyle(QFrame::Box | QFrame::Plain);  // drawn by the view itself (event)
  setLineWidth(2);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->viewport()->installEventFilter(this);
  if (kind == Kind::Outline) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setItemDelegate(new OutlineDelegate(*this));
  } else {
    setItemDelegate(new CellDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAlternatingRowColors(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int pixels) {
      if (!following_ && col < grid_.cols()) grid_.SetColWidth(col, ToTwips(pixels));
    });
  }
  // Scrolling by hand lets the current row go out of view.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { keepCurrentInView_ = false; });
  grid_.onGridChanged = [this](const GridChange& change) { OnGridChanged(change); };
  grid_.onChanged = [this] { FollowControl(); };
  model_->Reset();
  ApplyLayout();
  ApplyHiddenRows();
  ApplyCurrent();
  ApplySelection();
  FollowControl();
}

GridView::~GridView() {
  grid_.onGridChanged = nullptr;
  grid_.onChanged = nullptr;
}

void GridView::FollowControl() {
  if (const bool shown = grid_.visible(); shown != isVisible()) {
    // A grid hidden while it is filled again keeps the keyboard it had: Qt
    // gives it to the next control, which has it back when the grid shows.
    const bool focused = !shown && hasFocus();
    setVisible(shown);
    if (focused) lentFocusTo_ = QApplication::focusWidget();
    else if (shown && lentFocusTo_ && QApplication::focusWidget() == lentFocusTo_) setFocus(Qt::OtherFocusReason);
    if (shown) lentFocusTo_ = nullptr;
  }
  setEnabled(grid_.enabled());
  setGeometry(ToPixels(grid_.left()), ToPixels(grid_.top()), ToPixels(grid_.width()), ToPixels(grid_.height()));
  // A style sheet, since the window's theme sheet would set a palette aside.
  const controls::Color back = grid_.backColor();
  const QString sheet = controls::IsSystemColor(back)
                            ? QString()
                            : QStringLiteral("QTableView { background-color: %1; }").arg(FromColorNumber(back).name());
  if (styleSheet() != sheet) setStyleSheet(sheet);
}

void GridView::OnGridChanged(const GridChange& change) {
  // What the view itself just told the grid it shows already; taking it
  // back in the middle of a click or a drag would undo the user's gesture.
  if (telling_ && (change.kind == GridChange::Kind::Selection || change.kind == GridChange::Kind::Current)) return;
  following_ = true;
  switch (change.kind) {
    case GridChange::Kind::Reset:
      model_->Reset();
      ApplyLayout();
      ApplyHiddenRows();
      ApplyCurrent();
      ApplySelection();
      break;
    case GridChange::Kind::Cell:
      if (change.row >= 0) model_->RowChanged(change.row);
      if (change.col < 0) ApplyHiddenRows();  // outline fields of the row
      break;
    case GridChange::Kind::Layout: ApplyLayout(); break;
    case GridChange::Kind::Outline:
      ApplyHiddenRows();
      viewport()->update();
      break;
    case GridChange::Kind::Current: ApplyCurrent(); break;
    case GridChange::Kind::Selection: ApplySelection(); break;
    case GridChange::Kind::ShowCell:
      if (change.row >= model_->headerRows() && change.row < grid_.rows())
        scrollTo(model_->index(model_->ViewRow(change.row), std::max(change.col, 0)));
      keepCurrentInView_ = true;
      break;
  }
  following_ = false;
}

void GridView::ApplyLayout() {
  const bool was = following_;
  following_ = true;
  if (kind_ == Kind::Table)
    for (int col = 0; col < grid_.cols(); ++col) setColumnWidth(col, ShownWidth(col));
  emit model_->headerDataChanged(Qt::Horizontal, 0, std::max(grid_.cols() - 1, 0));
  FollowControl();
  following_ = was;
}

int GridView::ShownWidth(int col) const {
  const int width = ToPixels(grid_.ColWidth(col));
  if (grid_.ColWidth(col) != Grid::kDefaultColWidth) return width;  // the user's width
  // A column nobody has sized is as wide as its texts, as far as half the
  // view; the grid keeps its width, so the user's own choice is what stays.
  // Only the longest texts are measured: a long text is a wide one, and
  // measuring each of thousands of rows would slow every fill.
  constexpr std::size_t kMeasured = 16;
  std::vector<std::pair<std::size_t, int>> lengths;  // text length, row
  for (int row = model_->headerRows(); row < grid_.rows(); ++row) lengths.emplace_back(grid_.TextMatrix(row, col).size(), row);
  const auto measured = lengths.begin() + static_cast<std::ptrdiff_t>(std::min(kMeasured, lengths.size()));
  std::partial_sort(lengths.begin(), measured, lengths.end(), std::greater<>());
  const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
  int fit = horizontalHeader()->sectionSizeHint(col);
  for (auto it = lengths.begin(); it != measured; ++it)
    fit = std::max(fit, fontMetrics().horizontalAdvance(ToQString(grid_.TextMatrix(it->second, col))) + margin + 1);
  if (viewport()->width() > 0) fit = std::min(fit, viewport()->width() / 2);
  return std::max(width, fit);
}

void GridView::ApplyHiddenRows() {
  if (kind_ != Kind::Outline) return;
  // One pass down the outline: a row shows when its parent (the nearest node
  // above it with a lower level) shows and is expanded.
  struct Node {
    int level;
    bool showsChildren;
  };
  std::vector<Node> path;
  for (int row = 0; row < grid_.rows(); ++row) {
    const int level = grid_.RowOutlineLevel(row);
    while (!path.empty() && path.back().level >= level) path.pop_back();
    const bool shown = path.empty() || path.back().showsChildren;
    if (isRowHidden(model_->ViewRow(row)) == shown) setRowHidden(model_->ViewRow(row), !shown);
    if (grid_.IsSubtotal(row)) path.push_back({level, shown && grid_.IsCollapsed(row) != controls::kCollapsed});
  }
  // One pass up for the connector lines. `below` bit l: a shown row of level
  // l lies further down, with no shown row of a lower level between.
  branches_.assign(grid_.rows(), {});
  std::uint64_t below = 0;
  for (int row = grid_.rows() - 1; row >= 0; --row) {
    if (isRowHidden(model_->ViewRow(row))) continue;
    const int level = std::clamp(grid_.RowOutlineLevel(row), 0, 63);
    const std::uint64_t lower = (std::uint64_t{1} << level) - 1;
    branches_[row] = {below & lower, (below >> level & 1) != 0};
    below = (below & lower) | std::uint64_t{1} << level;
  }
}

GridView::Branches GridView::BranchesOf(int gridRow) const {
  return gridRow >= 0 && gridRow < int(branches_.size()) ? branches_[gridRow] : Branches{};
}

void GridView::ApplyCurrent() {
  const bool was = following_;
  following_ = true;
  const int row = grid_.row();
  if (row < model_->headerRows() || row >= grid_.rows())
    selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
  else
    selectionModel()->setCurrentIndex(model_->index(model_->ViewRow(row), std::clamp(grid_.col(), 0, grid_.cols() - 1)),
                                      kind_ == Kind::Outline ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                                             : QItemSelectionModel::NoUpdate);
  following_ = was;
}

void GridView::ApplySelection() {
  if (kind_ != Kind::Table) return;
  const bool was = following_;
  following_ = true;
  QItemSelection selection;
  for (int row = model_->headerRows(); row < grid_.rows(); ++row)
    if (grid_.IsRowSelected(row)) {
      const int viewRow = model_->ViewRow(row);
      selection.select(model_->index(viewRow, 0), model_->index(viewRow, std::max(grid_.cols() - 1, 0)));
    }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  following_ = was;
}

void GridView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  // The view was scrolled for the size it had (a window not yet shown, before
  // its bars took their room): its current row stays whole in view.
  const int row = grid_.row();
  if (keepCurrentInView_ && row >= model_->headerRows() && row < grid_.rows() && !isRowHidden(model_->ViewRow(row)))
    scrollTo(model_->index(model_->ViewRow(row), 0));
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  // The focus mark spans the row: both rows are drawn again whole.
  if (previous.isValid()) viewport()->update(RowRect(previous.row()));
  if (current.isValid()) viewport()->update(RowRect(current.row()));
  keepCurrentInView_ = true;
  if (following_ || !current.isValid() || !model_->Holds(model_->GridRow(current.row()), current.column())) return;
  telling_ = true;
  grid_.Select(model_->GridRow(current.row()), current.column());
  telling_ = false;
}

void GridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  if (following_ || kind_ != Kind::Table) return;
  // The whole selection at once: told row by row, the grid would hear of
  // selections the user never made.
  std::vector<bool> marked(grid_.rows(), false);
  for (const QItemSelectionRange& range : selectionModel()->selection())
    for (int viewRow = range.top(); viewRow <= range.bottom(); ++viewRow)
      if (const int row = model_->GridRow(viewRow); row >= model_->headerRows() && row < grid_.rows()) marked[row] = true;
  std::vector<int> rows;
  bool same = true;
  for (int row = model_->headerRows(); row < grid_.rows(); ++row) {
    if (marked[row]) rows.push_back(row);
    same = same && marked[row] == grid_.IsRowSelected(row);
  }
  if (same) return;
  telling_ = true;
  grid_.SetSelectedRows(rows);
  telling_ = false;
}

int GridView::GridRowAt(const QPoint& viewPos) const {
  const int viewRow = rowAt(viewPos.y());
  const int row = viewRow < 0 ? -1 : model_->GridRow(viewRow);
  return model_->Holds(row, 0) ? row : -1;
}

QRect GridView::OutlineButtonRect(int gridRow) const {
  if (kind_ != Kind::Outline || gridRow < 0 || gridRow >= grid_.rows() || !grid_.IsSubtotal(gridRow)) return {};
  // Only a node with rows below it (listed or a placeholder) has something to open.
  if (gridRow + 1 >= grid_.rows() || grid_.RowOutlineLevel(gridRow + 1) <= grid_.RowOutlineLevel(gridRow)) return {};
  const QRect cell = visualRect(model_->index(model_->ViewRow(gridRow), 0));
  const int left = cell.left() + std::max(grid_.RowOutlineLevel(gridRow), 0) * kIndent + (kIndent - kButton) / 2;
  return {left, cell.top() + (cell.height() - kButton) / 2, kButton, kButton};
}

void GridView::RaiseMouse(QMouseEvent& event, int gridRow, int col, bool press) {
  grid_.SetMouseCell(gridRow, col);
  const QPointF at = mapFromGlobal(event.globalPosition().toPoint());
  const int button = ButtonOf(event.button());
  const int shift = ShiftStateOf(event.modifiers());
  const float x = float(ToTwips(int(at.x()))), y = float(ToTwips(int(at.y())));
  if (press) grid_.RaiseMouseDown(button, shift, x, y);
  else grid_.RaiseMouseUp(button, shift, x, y);
}

void GridView::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int row = GridRowAt(pos);
  if (event->button() == Qt::LeftButton && OutlineButtonRect(row).contains(pos)) {
    // The outline button: the grid asks before-collapse, which may refuse.
    grid_.SetIsCollapsed(row, grid_.IsCollapsed(row) == controls::kCollapsed ? controls::kExpanded
                                                                               : controls::kCollapsed);
    event->accept();
    return;
  }
  if (event->button() != Qt::RightButton) QTableView::mousePressEvent(event);
  else SelectForContextMenu(indexAt(pos), event->modifiers());
  RaiseMouse(*event, row, columnAt(pos.x()), true);
}

void GridView::SelectForContextMenu(const QModelIndex& index, Qt::KeyboardModifiers keys) {
  // A context menu works on the selection: a right click inside it keeps
  // it; on a row outside it, that row becomes the selection (with Ctrl it
  // joins it), before the grid hears of the press.
  if (kind_ != Kind::Table || !index.isValid() || selectionModel()->isRowSelected(index.row(), {})) return;
  const QItemSelectionModel::SelectionFlags how =
      (keys & Qt::ControlModifier ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
      QItemSelectionModel::Rows;
  selectionModel()->setCurrentIndex(index, how);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int row = GridRowAt(pos);
  if (event->button() == Qt::LeftButton && OutlineButtonRect(row).contains(pos)) return event->accept();
  if (event->button() != Qt::RightButton) QTableView::mouseReleaseEvent(event);
  RaiseMouse(*event, row, columnAt(pos.x()), false);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (OutlineButtonRect(GridRowAt(pos)).contains(pos)) return mousePressEvent(event);
  QTableView::mousePressEvent(event);
  grid_.SetMouseCell(GridRowAt(pos), columnAt(pos.x()));
  grid_.RaiseDblClick();
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  grid_.SetMouseCell(GridRowAt(pos), columnAt(pos.x()));
  QTableView::mouseMoveEvent(event);
}

void GridView::keyPressEvent(QKeyEvent* event) {
  const int code = KeyCodeOf(*event);
  const int shift = ShiftStateOf(event->modifiers());
  if (code != 0 && controls::IsContextMenuKey(code, shift)) {
    // The menu the keys open belongs at the current row.
    const PopupPlace place(viewport()->mapToGlobal(MenuPlace()));
    grid_.RaiseKeyDown(code, shift);
    return event->accept();
  }
  if (code != 0 && grid_.RaiseKeyDown(code, shift) == 0) return event->accept();
  const bool navigation = event->key() != Qt::Key_Space && event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter;
  if (navigation) QTableView::keyPressEvent(event);
  const QString text = event->text();
  if (!text.isEmpty() && text.front().unicode() < 256) grid_.RaiseKeyPress(text.front().unicode());
  event->accept();
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
  // The Menu key's own context event (a desktop sends one before the key):
  // the key opens the menu, once.
  if (event->reason() == QContextMenuEvent::Keyboard) return event->accept();
  QTableView::contextMenuEvent(event);
}

QPoint GridView::MenuPlace() const {
  const QModelIndex current = currentIndex();
  if (!current.isValid() || isRowHidden(current.row())) return {0, 0};
  const QRect row = RowRect(current.row()).intersected(viewport()->rect());
  return row.isEmpty() ? QPoint(0, 0) : QPoint(row.left() + row.height(), row.bottom());
}

QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Home and End go to the first and the last row: the view chooses rows,
  // its columns are no places of their own.
  if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
  return QTableView::moveCursor(action, modifiers);
}

QRect GridView::RowRect(int viewRow) const {
  const QRect first = visualRect(model_->index(viewRow, 0));
  QRect row = first.united(visualRect(model_->index(viewRow, std::max(model_->columnCount() - 1, 0))));
  if (kind_ == Kind::Outline) row.setRight(viewport()->width() - 1);
  return row;
}

void GridView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  // The focused view marks its current row with a dotted frame, in the
  // colour of the row's text.
  const QModelIndex current = currentIndex();
  if (!hasFocus() || !current.isValid() || isRowHidden(current.row())) return;
  const QRect row = RowRect(current.row());
  if (!row.intersects(event->rect())) return;
  QPainter painter(viewport());
  const bool selected = selectionModel()->isSelected(current);
  painter.setPen(QPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(row.adjusted(0, 0, -1, -1));
}

bool GridView::event(QEvent* event) {
  const bool handled = QTableView::event(event);
  // The frame, two pixels wide: the focused view's in the focus colour, as
  // the focused control's ring; else a thin line as a plain frame has, with
  // the view's ground inside it. The frame lies outside the viewport, so
  // scrolling never moves the mark.
  if (event->type() == QEvent::Paint && frameWidth() > 0) {
    QPainter painter(this);
    painter.setBrush(Qt::NoBrush);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (hasFocus()) {
      painter.setPen(QPen(FocusColor(palette()), 1));
      painter.drawRect(outer);
      painter.drawRect(outer.adjusted(1, 1, -1, -1));
    } else {
      painter.setPen(QPen(palette().color(QPalette::Window).darker(140), 1));
      painter.drawRect(outer);
      painter.setPen(QPen(viewport()->palette().color(viewport()->backgroundRole()), 1));
      painter.drawRect(outer.adjusted(1, 1, -1, -1));
    }
  }
  return handled;
}

void GridView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  update();  // the frame
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  update();
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
  // Mouse events over the table's header row report row 0.
  if (watched == horizontalHeader()->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    RaiseMouse(*mouse, 0, horizontalHeader()->logicalIndexAt(mouse->position().toPoint()),
               event->type() == QEvent::MouseButtonPress);
  }
  return QTableView::eventFilter(watched, event);
}

}  // namespace quiremark::gui
