#pragma once

#include <QMainWindow>
#include <memory>

#include "app/main_form.h"

namespace quiremark::gui {

class CommandBarsView;
class FramePlacement;
class GridView;
class SplashView;

// The main window on screen: follows the main form (caption, icon, colour,
// place, size and state in twips, shown or hidden), renders its command
// bars, and shows the frame with the folder tree, the file grid and the
// notice box where the layout puts them, and the form's progress window. The user's resizing, state changes
// and closing go back to the form (its resize and unload handlers).
class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(app::MainForm& form);
  ~MainWindow() override;

  CommandBarsView& commandBars() const { return *bars_; }
  GridView& tree() const { return *tree_; }
  GridView& files() const { return *files_; }
  SplashView& progressWindow() const { return *splash_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Geometry {
    int left = -1, top = -1, width = -1, height = -1, state = -1;
    bool operator==(const Geometry&) const = default;
  };
  Geometry FormGeometry() const;
  Geometry WindowGeometry() const;
  void FollowForm();
  void ReportSize();
  void ApplyTabOrder();

  app::MainForm& form_;
  CommandBarsView* bars_;
  QWidget* frame_;
  GridView* tree_;
  GridView* files_;
  QWidget* notice_;
  FramePlacement* placement_;  // places the window by its outer frame
  std::unique_ptr<SplashView> splash_;  // modeless, owned by this window (gone before it)
  Geometry reported_;     // the window's geometry as last told to the form
  bool reporting_ = false;
  bool placingHidden_ = false;  // the window not yet shown is being placed
  bool shown_ = false;
};

}  // namespace quiremark::gui
