// The started window from the keyboard alone: every command is reached
// with the focus where the user's typing leaves it, and what the keys
// choose is what the commands work on.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <functional>

#include "gui/grid_view.h"
#include "gui/started_window.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;

void PressInFocus(int key, Qt::KeyboardModifiers keys = {}) {
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), keys);
}

// The control that has the focus (a combo box's edit field has it for its box).
QString NameOfFocus() {
  QWidget* focus = QApplication::focusWidget();
  while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
  return focus ? focus->objectName() : QStringLiteral("(none)");
}

QMenu* OpenMenu() {
  if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; })) return nullptr;
  return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QStringList Entries(const QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions())
    if (!action->isSeparator() && action->isVisible()) texts << action->text();
  return texts;
}

// Six drawings with their bookmark files; the keyboard starts in the tree.
class KeyboardWindow : public StartedWindow {
 protected:
  void SetUp() override {
    withPlotFiles = false;
    fs::create_directories(drawings);
    for (int k = 1; k <= 6; ++k) {
      const std::string name = "R-0" + std::to_string(k);
      testing::WriteFile(drawings / (name + ".plt"), testing::DriverPlotFile(1, name));
      testing::WriteFile(drawings / (name + ".txt"), "Ritning " + name + "\r\n");
    }
    StartedWindow::SetUp();
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.tree().hasFocus(); }));
  }

  // Tab from the tree to the grid, whose first row is then current.
  void TabToTheGrid() {
    PressInFocus(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &window.files());
    ASSERT_EQ(form.fgFiles.row(), 1);
  }

  std::vector<std::string> FilesLeft() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(drawings)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(KeyboardWindow, NumberSelectedNumbersTheRowsChosenWithTheKeys) {
  TabToTheGrid();
  PressInFocus(Qt::Key_Down);
  PressInFocus(Qt::Key_Down);
  PressInFocus(Qt::Key_Down, Qt::ShiftModifier);
  PressInFocus(Qt::Key_Down, Qt::ShiftModifier);
  PressInFocus(Qt::Key_R, Qt::AltModifier);
  QMenu* edit = OpenMenu();
  ASSERT_NE(edit, nullptr);
  QTest::keyClick(edit, Qt::Key_U);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "", "1", "2", "3", ""}));
}

// Runs `act` on the context menu once it shows (the menu runs its own
// loop). When it has closed, the window is active again, as a desktop makes
// it (the offscreen platform leaves no window active).
void WhenMenuOpens(QWidget& owner, std::function<void(QMenu&)> act) {
  auto* poll = new QTimer(&owner);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act, &owner] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    poll->deleteLater();
    QObject::connect(menu, &QMenu::aboutToHide, &owner, [&owner] {
      QTimer::singleShot(0, &owner, [&owner] { owner.activateWindow(); });
    }, Qt::SingleShotConnection);
    act(*menu);
  });
  poll->start(0);
}

// Presses the key and waits for the window to have the keyboard back after the menu it opened.
void PressForMenu(QWidget& window, int key, Qt::KeyboardModifiers keys = {}) {
  PressInFocus(key, keys);
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
}

// The grid's menu opens from the keyboard at the current row, with both
// entries of its mouse menus; its delete entry and the Delete key ask the
// question the menu's entry asks (No to Enter), about the rows chosen.
TEST_F(KeyboardWindow, TheGridsMenuKeysOpenItsMenuAtTheRowAndDeleteAsksFirst) {
  TabToTheGrid();
  PressInFocus(Qt::Key_Down);
  const QRect row = window.files().visualRect(window.files().currentIndex());
  const QPoint rowOnScreen = window.files().viewport()->mapToGlobal(row.center());
  for (const Qt::Key key : {Qt::Key_Menu, Qt::Key_F10}) {
    QStringList entries;
    QPoint at;
    WhenMenuOpens(window, [&](QMenu& menu) {
      entries = Entries(menu);
      at = menu.pos();
      if (key == Qt::Key_Menu) {  // the window as the user sees it, the menu over it
        QImage shot = window.grab().toImage();
        QPainter painter(&shot);
        painter.drawPixmap(window.mapFromGlobal(menu.pos()), menu.grab());
        painter.end();
        EXPECT_TRUE(shot.save(QStringLiteral(QUIREMARK_BINARY_DIR "/grid_menu_by_key.png")));
      }
      QTest::keyClick(&menu, Qt::Key_Escape);
    });
    PressForMenu(window, key, key == Qt::Key_F10 ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ(entries.join(u'|').toStdString(), "&Radera markerade filer|&Ny filtrering med markerade filnamn");
    EXPECT_LT(std::abs(at.y() - rowOnScreen.y()), row.height() * 2) << "at the row, not at the pointer";
  }

  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rR-02.plt", controls::MsgResult::No,
               controls::mb::kYesNoCancel | controls::mb::kQuestion | controls::mb::kDefaultButton2, "Radera");
  WhenMenuOpens(window, [](QMenu& menu) { QTest::keyClick(&menu, Qt::Key_R); });
  PressForMenu(window, Qt::Key_Menu);
  PressInFocus(Qt::Key_Down, Qt::ShiftModifier);
  ui.ExpectBox("Ska markerade 2 filer raderas?\r\rR-02.plt\rR-03.plt", controls::MsgResult::Yes);
  PressInFocus(Qt::Key_Delete);
  EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"R-01.plt", "R-01.txt", "R-04.plt", "R-04.txt", "R-05.plt",
                                                   "R-05.txt", "R-06.plt", "R-06.txt"}));
  EXPECT_EQ(QApplication::focusWidget(), &window.files()) << "the keyboard stays in the grid";
}

// Space on the current row numbers it, or takes its number back, as a click does.
TEST_F(KeyboardWindow, SpaceTogglesTheCurrentRowsNumber) {
  TabToTheGrid();
  PressInFocus(Qt::Key_Down);
  PressInFocus(Qt::Key_Space);
  PressInFocus(Qt::Key_Down);
  PressInFocus(Qt::Key_Down);
  PressInFocus(Qt::Key_Space);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "1", "", "2", "", ""}));
  PressInFocus(Qt::Key_Up);
  PressInFocus(Qt::Key_Up);
  PressInFocus(Qt::Key_Space);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "", "", "1", "", ""}));
  // F5 fills the grid again; the keyboard stays in it.
  PressInFocus(Qt::Key_F5);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "", "", "", "", ""}));
  EXPECT_EQ(QApplication::focusWidget(), &window.files());
}

// The tree's menu opens from the keyboard for the current row, the one a
// right click shows.
TEST_F(KeyboardWindow, TheTreesMenuOpensFromTheKeyboard) {
  for (const Qt::Key key : {Qt::Key_Menu, Qt::Key_F10}) {
    QStringList entries;
    WhenMenuOpens(window, [&](QMenu& menu) {
      entries = Entries(menu);
      QTest::keyClick(&menu, Qt::Key_Escape);
    });
    PressForMenu(window, key, key == Qt::Key_F10 ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ(entries.join(u'|').toStdString(),
              "S&para mappen 'Ritningar' bland favoriter|&Uppdatera mappträd\tF5|St&äng mappträd|&Utforska mapp");
  }
}

// Every toolbar's buttons are one stop of the Tab ring: the arrows go along
// them (round the end) and Enter presses one. So the delete command that
// only a toolbar has is reached too.
TEST_F(KeyboardWindow, TheToolbarsButtonsAreReachedWithTabAndTheArrows) {
  window.resize(1600, 800);
  ASSERT_TRUE(QTest::qWaitFor([this] { return window.findChild<QWidget*>(QStringLiteral("cboFileExt"))->isVisible(); }));
  window.tree().setFocus();
  PressInFocus(Qt::Key_Tab, Qt::ShiftModifier);  // the ring's last stop: the standard toolbar
  auto* button = qobject_cast<QToolButton*>(QApplication::focusWidget());
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text().toStdString(), "Sök alla filer i mappträd");
  PressInFocus(Qt::Key_Left);
  button = qobject_cast<QToolButton*>(QApplication::focusWidget());
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text().toStdString(), "Radera plot- och bokmärkesfiler");
  EXPECT_TRUE(window.grab().save(QStringLiteral(QUIREMARK_BINARY_DIR "/toolbar_focus.png")));
  ui.ExpectBox("Ska alla plotfiler och eventuella bokmärkesfiler raderas?", controls::MsgResult::No);
  form.fgFiles.ClearSelection();
  PressInFocus(Qt::Key_Return);
  EXPECT_EQ(ui.shown.size(), 1u);
  // Tab leaves the toolbar and comes back to the button used last.
  PressInFocus(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), &window.tree());
  PressInFocus(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), button);
}

// F10 opens the menu bar; Home and End go to the tree's first and last rows.
TEST_F(KeyboardWindow, F10OpensTheMenuBarAndHomeAndEndMoveInTheTree) {
  WhenMenuOpens(window, [](QMenu& menu) {
    EXPECT_EQ(menu.title().toStdString(), "&Arkiv");
    QTest::keyClick(&menu, Qt::Key_Escape);
  });
  PressForMenu(window, Qt::Key_F10);
  window.tree().setFocus();
  ASSERT_TRUE(QTest::qWaitFor([this] { return window.tree().hasFocus(); }));
  PressInFocus(Qt::Key_Home);
  EXPECT_EQ(form.fgTree.row(), 0);
  PressInFocus(Qt::Key_End);
  int last = form.fgTree.rows() - 1;
  while (last > 0 && !form.fgTree.RowShown(last)) --last;
  EXPECT_EQ(form.fgTree.row(), last);
}

// Opening another folder with the Right arrow lists it; with the grid's rows
// numbered it does not become the working folder, and the numbers stay.
TEST_F(KeyboardWindow, OpeningAnotherFolderKeepsTheNumbers) {
  fs::create_directories(dir / "Annan" / "Under");
  ChooseMenuItem(app::cmd::kRefreshTree);  // the tree shows the new folder
  TabToTheGrid();
  PressInFocus(Qt::Key_Space);
  PressInFocus(Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_EQ(QApplication::focusWidget(), &window.tree());
  int other = 0;
  while (other < form.fgTree.rows() && form.fgTree.RowData(other) != (dir / "Annan").string()) ++other;
  ASSERT_LT(other, form.fgTree.rows());
  while (form.fgTree.row() > other) PressInFocus(Qt::Key_Up);
  ASSERT_EQ(form.fgTree.row(), other);
  PressInFocus(Qt::Key_Right);
  EXPECT_EQ(form.fgTree.RowData(other + 1), (dir / "Annan" / "Under").string()) << "listed";
  EXPECT_EQ(form.Dir1.path(), drawings.string());
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "", "", "", "", ""}));
  // Enter makes it the working folder, as it always has.
  PressInFocus(Qt::Key_Return);
  EXPECT_EQ(form.Dir1.path(), (dir / "Annan").string());
}

// Enter in the bookmark filter applies it; tabbing through the file filter
// leaves its text as it is, and the grid's numbers with it.
TEST_F(KeyboardWindow, EnterAppliesTheBookmarkFilterAndTabLeavesTheFileFilterAsItIs) {
  window.resize(1600, 800);
  ASSERT_TRUE(QTest::qWaitFor([this] { return window.findChild<QWidget*>(QStringLiteral("cboFileExt"))->isVisible(); }));
  window.tree().setFocus();
  TabToTheGrid();
  PressInFocus(Qt::Key_Space);
  PressInFocus(Qt::Key_Tab);
  PressInFocus(Qt::Key_Tab);
  ASSERT_EQ(NameOfFocus(), QStringLiteral("cboBookMark"));
  PressInFocus(Qt::Key_Tab);
  ASSERT_EQ(NameOfFocus(), QStringLiteral("cboFileExt"));
  PressInFocus(Qt::Key_Tab);
  EXPECT_EQ(form.cboFileExt.text(), "*.PLT");
  EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("cboFileExt"))->currentText(), QStringLiteral("*.PLT"));
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "", "", "", "", ""}));

  PressInFocus(Qt::Key_Tab, Qt::ShiftModifier);
  PressInFocus(Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_EQ(NameOfFocus(), QStringLiteral("cboBookMark"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("*R-0[25]"));
  EXPECT_EQ(form.fgFiles.rows(), 7) << "typing alone applies nothing";
  PressInFocus(Qt::Key_Return);
  ASSERT_EQ(form.fgFiles.rows(), 3);
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 1), "R-02.plt");
  EXPECT_EQ(form.fgFiles.TextMatrix(2, 1), "R-05.plt");
}

}  // namespace
}  // namespace quiremark::gui
