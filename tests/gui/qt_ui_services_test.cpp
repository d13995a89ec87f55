#include "gui/qt_ui_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "gui/twips.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

using controls::MsgResult;
namespace mb = controls::mb;

// Runs `inspect` on the message box once it is up, then closes it with `click`.
void WhenBoxShows(std::function<void(QMessageBox&)> inspect, QMessageBox::StandardButton click) {
  QTimer::singleShot(0, [inspect, click] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    inspect(*box);
    box->button(click)->click();
  });
}

TEST(QtUiServices, QuestionBoxHasSwedishYesNoAndReturnsTheClickedAnswer) {
  QtUiServices ui;
  WhenBoxShows(
      [](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Radera"));
        EXPECT_EQ(box.text(), QString::fromUtf8("Ta bort filerna?"));
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Ja"));
        EXPECT_EQ(box.button(QMessageBox::No)->text(), QString::fromUtf8("&Nej"));
        EXPECT_EQ(box.button(QMessageBox::Cancel), nullptr);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
      },
      QMessageBox::No);
  EXPECT_EQ(ui.MessageBox("Ta bort filerna?", mb::kYesNo + mb::kQuestion, "Radera"), MsgResult::No);
}

// Enter answers the default button the style names (the first one unless said).
TEST(QtUiServices, EnterAnswersTheStylesDefaultButton) {
  const struct {
    int style;
    MsgResult enter;
  } cases[] = {{mb::kYesNo, MsgResult::Yes},
               {mb::kYesNo | mb::kDefaultButton2, MsgResult::No},
               {mb::kYesNoCancel | mb::kQuestion | mb::kDefaultButton2, MsgResult::No},
               {mb::kYesNoCancel | mb::kDefaultButton3, MsgResult::Cancel},
               {mb::kOkOnly | mb::kDefaultButton2, MsgResult::Ok}};  // no second button: the first
  QtUiServices ui;
  for (const auto& c : cases) {
    QTimer::singleShot(0, [] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(ui.MessageBox("Radera?", c.style, "Radera"), c.enter) << "style " << c.style;
  }
}

TEST(QtUiServices, BoxWithoutTitleShowsTheApplicationTitleAndStyleButtons) {
  QtUiServices ui;
  WhenBoxShows(
      [](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Quiremark"));
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Avbryt"));
        EXPECT_NE(box.button(QMessageBox::Yes), nullptr);
        EXPECT_NE(box.button(QMessageBox::No), nullptr);
      },
      QMessageBox::Cancel);
  EXPECT_EQ(ui.MessageBox("Spara?", mb::kYesNoCancel + mb::kExclamation, ""), MsgResult::Cancel);

  WhenBoxShows([](QMessageBox& box) { EXPECT_EQ(box.icon(), QMessageBox::Critical); }, QMessageBox::Ok);
  EXPECT_EQ(ui.MessageBox("Fel", mb::kCritical, "Fel"), MsgResult::Ok);
}

TEST(QtUiServices, HourglassIsSetOnceAndRestoredAndBoxesShowTheNormalPointer) {
  QtUiServices ui;
  ui.SetHourglass(true);
  ui.SetHourglass(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  WhenBoxShows([](QMessageBox&) { EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor); },
               QMessageBox::Ok);
  ui.MessageBox("Klart.", mb::kInformation, "");
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ui.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUiServices, ScreenAndWorkAreaAreInTwips) {
  QtUiServices ui;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(ui.Screen().width, screen.width() * 15);
  EXPECT_EQ(ui.Screen().height, screen.height() * 15);
  EXPECT_LE(ui.WorkArea().height, ui.Screen().height);
}

// Runs `answer` on the file dialog once it is up.
void WhenFileDialogShows(std::function<void(QFileDialog&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

TEST(QtUiServices, SaveDialogOpensWhereAskedAndReturnsTheChosenFile) {
  testing::TempDir folder;
  QtUiServices ui;
  controls::FileDialogRequest request;
  request.title = "Skapa resultatfil";
  request.filter = "(*.pdf)|*.pdf";
  request.initialFolder = folder.path().string();
  request.defaultExtension = "pdf";
  request.flags = 0x80806;
  WhenFileDialogShows([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Skapa resultatfil"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters(), QStringList{"(*.pdf)"});
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(ToQString(request.initialFolder)).canonicalPath());
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    dialog.selectFile(QStringLiteral("A-40"));
    static_cast<QDialog&>(dialog).accept();  // as the Save or Choose button does
  });
  const auto chosen = ui.SaveFileDialog(request);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "A-40.pdf");

  WhenFileDialogShows([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(ui.SaveFileDialog(request).has_value());
}

// The bind's save dialog names no extension of its own: its file type does.
TEST(QtUiServices, ANameTypedWithoutThePdfExtensionGetsIt) {
  testing::TempDir folder;
  testing::WriteFile(folder / "Befintlig.pdf", "%PDF-1.4\n");
  QtUiServices ui;
  controls::FileDialogRequest request;
  request.title = "Skapa resultatfil";
  request.filter = "(*.pdf)|*.pdf";
  request.initialFolder = folder.path().string();
  request.flags = 0x80806;
  const struct {
    const char* typed;
    const char* saved;
    bool overwriteAsked = false;
  } cases[] = {{"Kv Måsen A-ritningar", "Kv Måsen A-ritningar.pdf"},
               {"Kv Måsen rev. B", "Kv Måsen rev. B.pdf"},
               {"A-40.1", "A-40.1.pdf"},
               {"A-40.pdf", "A-40.pdf"},
               {"A-40.PDF", "A-40.PDF"},
               {"Befintlig", "Befintlig.pdf", true}};  // asked about the file it will write
  for (const auto& c : cases) {
    bool asked = false;
    WhenFileDialogShows([&](QFileDialog& dialog) {
      QTimer::singleShot(0, [&] {  // the overwrite question, shown inside the dialog's accept
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          asked = true;
          box->button(QMessageBox::Yes)->click();
        }
      });
      dialog.selectFile(QString::fromUtf8(c.typed));
      static_cast<QDialog&>(dialog).accept();
    });
    const auto chosen = ui.SaveFileDialog(request);
    ASSERT_TRUE(chosen.has_value()) << c.typed;
    EXPECT_EQ(std::filesystem::path(*chosen).filename().string(), c.saved);
    EXPECT_EQ(std::filesystem::path(*chosen).parent_path(), std::filesystem::canonical(folder.path())) << c.typed;
    EXPECT_EQ(asked, c.overwriteAsked) << c.typed;
  }
}

// The name as the user types it into the name box, which has the keyboard,
// confirmed with Enter or with the Save button.
TEST(QtUiServices, ANameTypedAndConfirmedByKeyGetsThePdfExtension) {
  testing::TempDir folder;
  QtUiServices ui;
  controls::FileDialogRequest request;
  request.title = "Skapa resultatfil";
  request.filter = "(*.pdf)|*.pdf";
  request.initialFolder = folder.path().string();
  request.flags = 0x80806;
  for (const bool enter : {true, false}) {
    WhenFileDialogShows([enter](QFileDialog& dialog) {
      ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
      auto* name = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      ASSERT_NE(name, nullptr) << "the name box has the keyboard";
      QTest::keyClicks(name, QStringLiteral("Med-Enter"));
      if (enter) return QTest::keyClick(name, Qt::Key_Return);
      for (auto* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QString::fromUtf8("&Spara")) return QTest::mouseClick(button, Qt::LeftButton);
      ADD_FAILURE() << "no Spara button";
    });
    const auto chosen = ui.SaveFileDialog(request);
    ASSERT_TRUE(chosen.has_value()) << (enter ? "Enter" : "Spara");
    EXPECT_EQ(std::filesystem::path(*chosen).filename(), "Med-Enter.pdf") << (enter ? "Enter" : "Spara");
  }
}

// A failure names long paths: the box is no wider than the screen, and
// every line of its text shows whole, a path broken where it must be.
TEST(QtUiServices, ALongTextIsWrappedSoThatEveryWordShows) {
  const std::string folder = "/srv/ritningar/Kv M\xc3\xa5sen/" + std::string(40, 'A') + "/" + std::string(60, 'b') + "/" +
                             std::string(150, 'c');
  const std::string text = "Ingen PDF skapades.\r\rPDF-filen fick 3 sidor, men plotfilerna har 4 sidor. Plotfilen " +
                           folder + "/R-2.plt gav 0 sidor i PDF-filen, men har 1 sida.\r\r(Se loggfilen " + folder +
                           "/QuiremarkTmp.log.)";
  QtUiServices ui;
  WhenBoxShows(
      [&](QMessageBox& box) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&box));
        auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_LE(box.frameGeometry().width(), box.screen()->availableGeometry().width());
        EXPECT_LE(label->geometry().right(), box.width()) << "the text lies inside the box";
        const QStringList lines = label->text().split(u'\n');
        EXPECT_GT(lines.size(), 5);
        for (const QString& line : lines)
          EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(line), label->contentsRect().width())
              << line.toStdString();
        // Nothing is lost: the lines together are the text, broken only where a line had no room.
        QString joined = label->text();
        joined.remove(u'\n').remove(u' ');
        EXPECT_EQ(joined.toStdString(), ToQString(text).remove(u'\r').remove(u' ').toStdString());
        EXPECT_TRUE(box.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/ghostscript_error.png")));
      },
      QMessageBox::Ok);
  ui.MessageBox(text, mb::kOkOnly | mb::kCritical, "GhostScript-fel");
}

TEST(QtUiServices, FolderDialogReturnsTheChosenFolderOrNothing) {
  testing::TempDir folder;
  QtUiServices ui;
  WhenFileDialogShows([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Standardsökväg för PDF"));
    dialog.selectFile(ToQString(folder.path().string()));
    static_cast<QDialog&>(dialog).accept();  // as the Save or Choose button does
  });
  EXPECT_EQ(std::filesystem::canonical(ui.BrowseForFolder(folder.path().string(), "Standardsökväg för PDF")),
            std::filesystem::canonical(folder.path()));
  WhenFileDialogShows([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(ui.BrowseForFolder(folder.path().string(), "Standardsökväg för PDF"), "");
}

TEST(QtUiServices, FilterPairsBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters("(*.pdf)|*.pdf"), QStringList{"(*.pdf)"});
  EXPECT_EQ(QtNameFilters("Program (*.exe)|*.exe|Alla filer|*.*"),
            (QStringList{"Program (*.exe)", "Alla filer (*.*)"}));
  EXPECT_EQ(QtNameFilters("Ritningar|*.dwg;*.dxf"), QStringList{"Ritningar (*.dwg *.dxf)"});
  EXPECT_TRUE(QtNameFilters("").isEmpty());
}

}  // namespace
}  // namespace quiremark::gui
