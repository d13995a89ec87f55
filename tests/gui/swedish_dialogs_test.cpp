// What the user reads in the program's own dialogs: the file and folder
// dialogs are Swedish (labels, buttons, menus, the side bar and the file
// list's sizes and dates), and the syntax message shows each line whole.
// Each dialog is photographed into the build folder.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "app/start_procedure.h"
#include "gui/qt_ui_services.h"
#include "gui/twips.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

// Every text a file dialog shows: labels, buttons and their tips, the menu's
// actions, the list's headers and cells, the side bar and the lists to choose from.
QStringList ShownTexts(QFileDialog& dialog) {
  QStringList texts{dialog.windowTitle()};
  for (auto* label : dialog.findChildren<QLabel*>())
    if (label->isVisible()) texts << label->text();
  for (auto* button : dialog.findChildren<QAbstractButton*>())
    if (button->isVisible()) texts << button->text() << button->toolTip();
  for (auto* action : dialog.findChildren<QAction*>()) texts << action->text();
  for (auto* combo : dialog.findChildren<QComboBox*>())
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  if (auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar")))
    for (int r = 0; r < sidebar->model()->rowCount(); ++r) texts << sidebar->model()->index(r, 0).data().toString();
  if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    const QAbstractItemModel* model = list->model();
    for (int c = 0; c < model->columnCount(list->rootIndex()); ++c)
      texts << model->headerData(c, Qt::Horizontal).toString();
    for (int r = 0; r < model->rowCount(list->rootIndex()); ++r)
      for (int c = 0; c < model->columnCount(list->rootIndex()); ++c)
        texts << model->index(r, c, list->rootIndex()).data().toString();
  }
  texts.removeAll(QString());
  return texts;
}

// The English that Qt shows where it has no Swedish of its own.
const QRegularExpression kEnglish(
    QStringLiteral("Look in|Show\\b|Computer|\\bFolder|New Folder|Choose|Cancel|Directory|File name|Files of type|KiB|"
                   "MiB|\\bbytes\\b|\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)\\b"));

// Runs `look` on the file dialog once it is up and its list shows `rows` rows, then cancels it.
void WhenFileDialogShows(int rows, std::function<void(QFileDialog&)> look) {
  QTimer::singleShot(0, [rows, look] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return ADD_FAILURE() << "no file dialog";
    dialog->setViewMode(QFileDialog::Detail);
    dialog->resize(760, 400);  // wide enough for every column of the photograph
    auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list && list->model()->rowCount(list->rootIndex()) >= rows; }));
    // The sizes and dates come after the names, from the list's own thread.
    EXPECT_TRUE(QTest::qWaitFor([&] {
      const QAbstractItemModel* model = list->model();
      for (int r = 0; r < model->rowCount(list->rootIndex()); ++r)
        if (model->index(r, 3, list->rootIndex()).data().toString().isEmpty()) return false;
      return true;
    })) << "every row has its date";
    list->header()->resizeSections(QHeaderView::ResizeToContents);
    look(*dialog);
    dialog->reject();
  });
}

TEST(SwedishDialogs, TheFileAndFolderDialogsAreSwedishAndArePhotographed) {
  testing::TempDir dir;
  const std::filesystem::path folder = dir / "A-40";
  std::filesystem::create_directories(folder / "Konstruktion");
  testing::WriteFile(folder / "A-40.pdf", std::string(1065, 'x'));
  QtUiServices ui;
  controls::FileDialogRequest save;
  save.title = "Skapa resultatfil";
  save.filter = "(*.pdf)|*.pdf";
  save.initialFolder = folder.string();
  const struct {
    const char* photo;
    int rows;
    std::function<void()> open;
    std::vector<const char*> swedish;
  } dialogs[] = {
      {"save_dialog.png", 2, [&] { ui.SaveFileDialog(save); },
       {"Leta i:", "Fil&namn:", "Filer av typen:", "&Spara", "Avbryt", "Dator", "Mapp", "&Ny mapp", "Namn",
        "Storlek", "Ändringsdatum", "Visa Storlek", "1,04 kB"}},
      {"folder_dialog.png", 1, [&] { ui.BrowseForFolder(folder.string(), "Standardsökväg för PDF"); },
       {"Standardsökväg för PDF", "Leta i:", "Mapp:", "&Välj", "Avbryt", "Dator", "Mapp"}},
  };
  for (const auto& d : dialogs) {
    QStringList texts;
    WhenFileDialogShows(d.rows, [&](QFileDialog& dialog) {
      texts = ShownTexts(dialog);
      EXPECT_TRUE(dialog.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/") + d.photo));
    });
    d.open();
    for (const QString& english : texts.filter(kEnglish))
      ADD_FAILURE() << d.photo << " English: " << english.toStdString();
    for (const char* swedish : d.swedish)
      EXPECT_TRUE(texts.contains(QString::fromUtf8(swedish))) << d.photo << " " << swedish;
    EXPECT_FALSE(texts.filter(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$"))).isEmpty())
        << d.photo << " dates as the grid writes them: " << texts.join(u'|').toStdString();
  }
}

// The syntax is read and copied from the box as it stands: no line of it may
// be broken, not even at the "|" of "Yes|No".
TEST(SyntaxMessage, ShowsEachLineWholeAndIsPhotographed) {
  QtUiServices ui;
  settings::AppState state;
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return ADD_FAILURE() << "no message box";
    shown = true;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Fel i anrop"));
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label) return ADD_FAILURE() << "no text in the box";
    const QStringList lines = label->text().split(QRegularExpression(QStringLiteral("\\r\\n?|\\n")));
    ASSERT_EQ(lines.size(), 2) << label->text().toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" [/TreeScan:\"Yes|No\"]"))) << lines[1].toStdString();
    for (const QString& line : lines)
      EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(line), label->contentsRect().width())
          << line.toStdString();
    EXPECT_TRUE(box->grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/syntax_message.png")));
    box->button(QMessageBox::Ok)->click();
  });
  app::Main({"/TreeScan:Yes"}, state, ui, {});
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace quiremark::gui
