#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <cstdint>
#include <vector>

#include "controls/grid.h"

namespace quiremark::gui {

// The grid model as Qt sees it. In a table the grid's row 0 is the header
// row; in an outline every grid row is a view row.
class GridTableModel : public QAbstractTableModel {
 public:
  GridTableModel(controls::Grid& grid, bool headerRow, QObject* parent = nullptr);

  int headerRows() const { return headerRows_; }
  int GridRow(int viewRow) const { return viewRow + headerRows_; }
  int ViewRow(int gridRow) const { return gridRow - headerRows_; }
  // Whether the grid has that cell. While its redraw is off the grid tells
  // nothing, so the view may still ask for rows it has dropped.
  bool Holds(int gridRow, int col) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The grid changed as a whole, or one of its rows.
  void Reset();
  void RowChanged(int gridRow);

 private:
  controls::Grid& grid_;
  int headerRows_;
};

// A view of a Grid: the file list as a table with its header row, or the
// folder tree as an outline with buttons, pictures and texts. It follows the
// grid's changes, and the user's clicks, keys, selection and column drags go
// to the grid (its notifications, current row, selection and widths), with
// the row under the pointer set before each mouse event. Its current row
// stays whole in view when the view changes size, unless the user has
// scrolled it away by hand.
class GridView : public QTableView {
 public:
  enum class Kind { Table, Outline };
  GridView(controls::Grid& grid, Kind kind, QWidget* parent = nullptr);
  ~GridView() override;

  controls::Grid& grid() const { return grid_; }
  GridTableModel& tableModel() const { return *model_; }

  // The grid row under a point of the view (below 0 over no row, 0 over a
  // table's header); the outline button rectangle of a row in viewport
  // coordinates (empty for rows without one: no node, or nothing below it).
  int GridRowAt(const QPoint& viewPos) const;
  QRect OutlineButtonRect(int gridRow) const;

  static constexpr int kIndent = 16;  // pixels per outline level
  static constexpr int kButton = 9;   // outline button size

  // The connector lines of a shown outline row: bit l of `through` when the
  // line of level l runs on past the row, `next` when a sibling follows.
  struct Branches {
    std::uint64_t through = 0;
    bool next = false;
  };
  Branches BranchesOf(int gridRow) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void resizeEvent(QResizeEvent* event) override;  // of the viewport
  void paintEvent(QPaintEvent* event) override;  // of the viewport
  bool event(QEvent* event) override;            // draws the frame, with the focus mark
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  void OnGridChanged(const controls::GridChange& change);
  void FollowControl();
  void ApplyLayout();
  int ShownWidth(int col) const;  // pixels of a table column
  void ApplyHiddenRows();
  void ApplyCurrent();
  void ApplySelection();
  QRect RowRect(int viewRow) const;  // the whole row in viewport coordinates
  QPoint MenuPlace() const;          // where a menu opened by the keys opens, in viewport coordinates
  void SelectForContextMenu(const QModelIndex& index, Qt::KeyboardModifiers keys);
  // Sets the mouse cell and raises the press or release with the event's position in twips.
  void RaiseMouse(QMouseEvent& event, int gridRow, int col, bool press);

  controls::Grid& grid_;
  Kind kind_;
  GridTableModel* model_;
  std::vector<Branches> branches_;  // per grid row, outline only
  bool following_ = false;  // true while the view takes the grid's state
  bool telling_ = false;    // true while the view tells the grid the user's selection or current cell
  bool keepCurrentInView_ = true;  // until the user scrolls by hand
  QPointer<QWidget> lentFocusTo_;  // the control that took the keyboard when the view hid
};

}  // namespace quiremark::gui
