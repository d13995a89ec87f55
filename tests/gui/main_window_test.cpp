#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <set>

#include "app/command_table.h"
#include "app/layout.h"
#include "gui/command_bars_view.h"
#include "gui/grid_view.h"
#include "gui/splash_view.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

using controls::CommandBarControl;

// The main window's frame as the start-up builds it, on screen.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open() {
    form = std::make_unique<app::MainForm>(state, ui);
    window = std::make_unique<MainWindow>(*form);
    form->CommandBars.onResize = [this] { app::ArrangeControls(*form); };
    app::CreateCommandBars(*form);
    form->CommandBars.LoadCommandBars("NORV", "Quiremark", "Layout");
    app::SetTheme(*form, app::StoredTheme(), app::kFirstThemeCommand + app::StoredTheme());
    form->CommandBars.onExecute = [this](CommandBarControl& control) { executed.push_back(control.id()); };
    form->Move(0, 0, 18000, 11250);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  CommandBarControl& Control(int id) { return *form->CommandBars.FindControl(id); }
  QAction* MenuAction(int id) {
    for (CommandBarControl* c : form->CommandBars.FindControls(id))
      if (QAction* a = window->commandBars().ActionOf(*c); a && qobject_cast<QMenu*>(a->parent())) return a;
    return nullptr;
  }
  QToolButton* ToolbarButton(const std::string& toolbar, int id) {
    QToolBar* bar = window->commandBars().Toolbar(toolbar);
    for (QAction* a : bar->actions())
      if (a == window->commandBars().ActionOf(Control(id)))
        return qobject_cast<QToolButton*>(bar->widgetForAction(a));
    return nullptr;
  }
  // Opens the menus of the menu bar along `path` with the mouse and clicks the last item.
  void ChooseFromMenuBar(const QStringList& path) {
    QMenuBar* menuBar = window->menuBar();
    QAction* top = nullptr;
    for (QAction* a : menuBar->actions())
      if (a->text() == path.front()) top = a;
    ASSERT_NE(top, nullptr) << path.front().toStdString();
    QTest::mouseClick(menuBar, Qt::LeftButton, {}, menuBar->actionGeometry(top).center());
    for (qsizetype i = 1; i < path.size(); ++i) {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr) << path[i].toStdString();
      QAction* item = nullptr;
      for (QAction* a : menu->actions())
        if (a->text().section(u'\t', 0, 0) == path[i]) item = a;
      ASSERT_NE(item, nullptr) << path[i].toStdString();
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
      if (item->menu()) {
        ASSERT_TRUE(QTest::qWaitFor([item] { return QApplication::activePopupWidget() == item->menu(); }));
      }
    }
  }

  // Clicks the item of the open popup menu once it shows.
  void ClickInPopupWhenShown(const QString& text) {
    QTimer::singleShot(0, [text] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      for (QAction* a : menu->actions())
        if (a->text().startsWith(text)) return QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
      menu->close();
      FAIL() << "no item " << text.toStdString();
    });
  }

  testing::TempDir registry;
  testing::ScopedEnv registryEnv{"QUIREMARK_REGISTRY", registry.path().string()};
  settings::AppState state;
  testing::ScriptedUi ui;
  std::unique_ptr<app::MainForm> form;
  std::unique_ptr<MainWindow> window;
  std::vector<int> executed;
};

TEST_F(MainWindowTest, ChoosingAMenuItemExecutesItsCommand) {
  ChooseFromMenuBar({"&Arkiv", "Skapa &PDF"});
  ChooseFromMenuBar({"Verkt&yg", "Sök alla filer i mapp&träd"});
  EXPECT_EQ(executed, (std::vector<int>{app::cmd::kCreatePdf, app::cmd::kScanFolderTree}));
  // The menu items of the Spec and Relation binds show; their toolbar copies do not.
  EXPECT_TRUE(MenuAction(app::cmd::kCreatePdfSpec)->isVisible());
  EXPECT_FALSE(ToolbarButton("Standard", app::cmd::kCreatePdfSpec)->isVisible());
  EXPECT_TRUE(ToolbarButton("Standard", app::cmd::kCreatePdf)->isVisible());
}

TEST_F(MainWindowTest, AToolbarButtonExecutesItsCommand) {
  QToolButton* numberAll = ToolbarButton("Standard", app::cmd::kNumberAll);
  ASSERT_NE(numberAll, nullptr);
  EXPECT_EQ(numberAll->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  EXPECT_FALSE(numberAll->icon().isNull());
  QTest::mouseClick(numberAll, Qt::LeftButton);
  QTest::mouseClick(ToolbarButton("Filer", app::cmd::kRefreshFiles), Qt::LeftButton);
  EXPECT_EQ(executed, (std::vector<int>{app::cmd::kNumberAll, app::cmd::kRefreshFiles}));
}

TEST_F(MainWindowTest, F5AndF3RunTheirCommandsAnywhereInTheWindow) {
  QTest::keyClick(window.get(), Qt::Key_F5);
  window->files().setFocus();
  QTest::keyClick(&window->files(), Qt::Key_F3);
  QTest::keyClick(&window->files(), Qt::Key_F5, Qt::ShiftModifier);  // bindings are for the bare key
  EXPECT_EQ(executed, (std::vector<int>{app::cmd::kRefreshTree, app::cmd::kScanFolderTree}));
  EXPECT_TRUE(MenuAction(app::cmd::kRefreshTree)->text().endsWith(QStringLiteral("\tF5")));
}

TEST_F(MainWindowTest, AContextMenuShowsAtThePointerAndExecutesTheChoice) {
  auto& popup = form->CommandBars.AddPopup();
  popup.controls().Add(controls::kControlButton, app::cmd::kSaveFavourite, "S&para mappen 'A-40' bland favoriter");
  popup.controls().Add(controls::kControlButton, app::cmd::kRefreshTree, "&Uppdatera mappträd").beginGroup = true;
  ClickInPopupWhenShown(QStringLiteral("&Uppdatera"));
  form->CommandBars.ShowPopup(popup);
  EXPECT_EQ(executed, std::vector<int>{app::cmd::kRefreshTree});
}

TEST_F(MainWindowTest, ThemesChangeTheLookAndTheCheckMarks) {
  const QString ribbon = window->styleSheet();
  EXPECT_TRUE(MenuAction(1006)->isChecked());
  ChooseFromMenuBar({"&Visa", "Färgsche&ma", "Office 2003"});
  ASSERT_EQ(executed, std::vector<int>{1002});
  app::SetTheme(*form, 2, 1002);  // what the dispatcher runs for it
  EXPECT_NE(window->styleSheet(), ribbon);
  EXPECT_TRUE(MenuAction(1002)->isChecked());
  EXPECT_FALSE(MenuAction(1006)->isChecked());
  EXPECT_EQ(window->palette().color(QPalette::Window).rgb(), QColor(196, 218, 250).rgb());
}

TEST_F(MainWindowTest, TheSevenThemesLookVisiblyDifferent) {
  std::set<QByteArray> looks;
  for (int theme = 0; theme < 7; ++theme) {
    app::SetTheme(*form, theme, app::kFirstThemeCommand + theme);
    ASSERT_TRUE(QTest::qWaitFor([&] { return MenuAction(app::kFirstThemeCommand + theme)->isChecked(); })) << theme;
    const QImage shot = window->grab().toImage();
    shot.save(QStringLiteral(QUIREMARK_BINARY_DIR "/main_window_theme%1.png").arg(theme));
    const QImage bars = shot.copy(0, 0, shot.width(), window->centralWidget()->y());
    looks.insert(QByteArray(reinterpret_cast<const char*>(bars.constBits()), bars.sizeInBytes()));
  }
  EXPECT_EQ(looks.size(), 7u);
}

TEST_F(MainWindowTest, ToolbarsHostTheFormControlsAndColourSchemeStartsHidden) {
  std::set<std::string> shown;
  for (const char* name : {"Standard", "Scriptmallar", "AutoCAD", "IntelliCAD", "Färgschema", "DigiTejp", "Filer"}) {
    ASSERT_NE(window->commandBars().Toolbar(name), nullptr) << name;
    if (!window->commandBars().Toolbar(name)->isHidden()) shown.insert(name);
  }
  EXPECT_EQ(shown.size(), 6u);
  EXPECT_FALSE(shown.count("Färgschema"));

  auto* fileFilter = window->commandBars().Toolbar("Filer")->findChild<QComboBox*>(QStringLiteral("cboFileExt"));
  ASSERT_NE(fileFilter, nullptr);
  QTest::keyClicks(fileFilter->lineEdit(), "*.eps");
  EXPECT_EQ(form->cboFileExt.text(), "*.eps");

  auto* scripts = window->commandBars().Toolbar("Scriptmallar")->findChild<QComboBox*>(QStringLiteral("cboScr"));
  ASSERT_NE(scripts, nullptr);
  EXPECT_EQ(scripts->toolTip(), QString::fromUtf8("Välj scriptmall"));

  // The user shows the hidden toolbar from the toolbar list; the model knows.
  window->commandBars().Toolbar("Färgschema")->toggleViewAction()->trigger();
  EXPECT_TRUE(form->CommandBars.FindToolbar("Färgschema")->visible());
}

TEST_F(MainWindowTest, StatusBarShowsItsPanesAndLockIndicators) {
  form->StatusBar.SetPaneText(0, "/srv/ritningar/A-40");
  auto* folder = qobject_cast<QLabel*>(window->commandBars().Pane(0));
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(folder->text(), QStringLiteral("/srv/ritningar/A-40"));
  EXPECT_FALSE(window->commandBars().Pane(app::cmd::kProgressPane)->isVisibleTo(window->statusBar()));
  for (int id : {controls::kPaneCapsLock, controls::kPaneNumLock, controls::kPaneScrollLock})
    EXPECT_TRUE(window->commandBars().Pane(id)->isVisibleTo(window->statusBar())) << id;
  EXPECT_EQ(qobject_cast<QLabel*>(window->commandBars().Pane(controls::kPaneCapsLock))->text(), QStringLiteral("CAPS"));
}

TEST_F(MainWindowTest, TheBarsArrangementIsSavedAndLoadedInTheRegistry) {
  window->commandBars().Toolbar("Filer")->toggleViewAction()->trigger();
  window->commandBars().Toolbar("Färgschema")->toggleViewAction()->trigger();
  form->CommandBars.SaveCommandBars("NORV", "Quiremark", "Layout");
  window.reset();
  form.reset();
  Open();
  EXPECT_TRUE(window->commandBars().Toolbar("Filer")->isHidden());
  EXPECT_FALSE(form->CommandBars.FindToolbar("Filer")->visible());
  EXPECT_FALSE(window->commandBars().Toolbar("Färgschema")->isHidden());
}

TEST_F(MainWindowTest, ThePanesFillTheClientAreaAsTheLayoutSays) {
  const QRect client = window->centralWidget()->geometry();
  const QWidget* frame = window->tree().parentWidget();
  EXPECT_EQ(frame->geometry(), client);
  EXPECT_EQ(window->tree().x(), 50 / 15);
  EXPECT_NEAR(window->tree().width(), client.width() * 0.35, 1.5);
  EXPECT_EQ(window->files().x(), (form->fgTree.width() + 50 + 40) / 15);
  EXPECT_EQ(window->files().height(), window->tree().height());

  window->resize(200, 150);  // springs back to the smallest size
  EXPECT_TRUE(QTest::qWaitFor([this] { return form->width() == 8000 && window->frameGeometry().width() == 8000 / 15; }));
  EXPECT_EQ(form->width(), 8000);
  EXPECT_EQ(form->height(), 4890);
  EXPECT_EQ(window->frameGeometry().width(), 8000 / 15);
}

TEST_F(MainWindowTest, ScreenshotOfTheFrameIsWrittenAndNotBlank) {
  form->fgFiles.SetFormatString("^Nr|> Filnamn|^ Bokmärke|Fildatum");
  form->fgFiles.SetColWidth(0, 600);
  form->fgFiles.SetColWidth(1, 2400);
  form->fgFiles.SetColWidth(2, 3600);
  form->fgFiles.SetColWidth(3, 2200);
  const char* files[][4] = {{"1", "A-40-01.plt", "Plan 1, belysning", "2026-11-30 14:02"},
                            {"2", "A-40-02.plt", "Plan 2, belysning", "2026-11-30 14:05"},
                            {"", "A-40-03.plt", "Plan 3, kraft", "2026-12-01 09:12"},
                            {"3", "A-40-04.plt", "Fasad norr", "2026-12-02 16:40"}};
  for (const auto& f : files)
    form->fgFiles.AddItem(std::string(f[0]) + "\t" + f[1] + "\t" + f[2] + "\t" + f[3]);
  form->fgFiles.SetCellBackColor(3, 0, 4, 3, controls::Rgb(214, 245, 214));  // the newest files
  form->fgFiles.SetRowSelected(2, true);
  form->fgTree.SetRows(0);
  struct TreeRow { const char* text; const char* picture; int level; bool collapsed; };
  for (const TreeRow& r : {TreeRow{"Den här datorn", "imgComputer", 0, false}, {"Tidigare", "imgPrev", 1, true},
                           {"Sparade favoriter", "imgFavo", 1, true}, {"Lokal disk (c:)", "imgDrive", 1, false},
                           {"srv", "imgFolder", 2, false}, {"ritningar", "imgFolder", 3, false},
                           {"A-40", "imgFolder", 4, true}}) {
    form->fgTree.AddItem(r.text);
    const int row = form->fgTree.rows() - 1;
    form->fgTree.SetIsSubtotal(row, true);
    form->fgTree.SetRowOutlineLevel(row, r.level);
    form->fgTree.SetCellPicture(row, 0, row, 0, r.picture);
    if (r.collapsed) form->fgTree.SetIsCollapsed(row, controls::kCollapsed);
  }
  form->fgTree.SetCellFontBold(6, 0, 6, 0, true);
  form->fgTree.SetRow(6);
  form->StatusBar.SetPaneText(0, "/srv/ritningar/A-40");
  auto* folder = qobject_cast<QLabel*>(window->commandBars().Pane(0));
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return window->tree().currentIndex().row() == 6 && folder && folder->text() == QStringLiteral("/srv/ritningar/A-40");
  }));

  const QImage shot = window->grab().toImage();
  const QString path = QStringLiteral(QUIREMARK_BINARY_DIR "/main_window.png");
  ASSERT_TRUE(shot.save(path));
  std::set<QRgb> colours;
  for (int y = 0; y < shot.height(); y += 3)
    for (int x = 0; x < shot.width(); x += 3) colours.insert(shot.pixel(x, y));
  EXPECT_GT(colours.size(), 20u);
}

TEST_F(MainWindowTest, TheFileGridShowsItsBackColour) {
  form->fgFiles.SetBackColor(controls::Rgb(255, 255, 200));  // as while a tree scan shows
  QWidget* viewport = window->files().viewport();
  const auto corner = [viewport] {
    const QImage shot = viewport->grab().toImage();
    return QColor(shot.pixel(shot.width() - 5, shot.height() - 5));
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return corner() == QColor(255, 255, 200); })) << corner().name().toStdString();
}

TEST_F(MainWindowTest, TheBindRunsProgressWindowShowsInTheThemesColour) {
  form->frmSplash.Show();
  SplashView& progress = window->progressWindow();
  EXPECT_TRUE(progress.isVisible());
  EXPECT_EQ(progress.palette().color(QPalette::Window).rgb(),
            QColor(227 + 10, 239, 255).rgb());  // the ribbon theme's face with the shade 10
  form->frmSplash.Unload();
  EXPECT_FALSE(progress.isVisible());
}

TEST_F(MainWindowTest, ClosingTheWindowUnloadsTheForm) {
  window->close();
  EXPECT_FALSE(form->loaded());
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace quiremark::gui
