#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/main_commands.h"
#include "app/main_form.h"
#include "gui/about_dialog.h"
#include "gui/add_favorite_dialog.h"
#include "gui/qt_ui_services.h"
#include "platform/environment.h"
#include "settings/ini_file.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"
#include "version.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;

// Runs `act` on the modal dialog of type D once it is up.
template <typename D>
void WhenShown(const std::function<void(D&)>& act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = dynamic_cast<D*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no modal dialog of the expected kind";
      return;
    }
    act(*dialog);
  });
}

class SmallDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ShowAboutBoxesOnScreen(nullptr);
    ShowAddFavoriteDialogsOnScreen(nullptr);
    state.themeBaseColor = 0xE0D8D0;
  }
  void TearDown() override {
    app::AboutForm::AttachView() = nullptr;
    app::AddFavoriteForm::AttachView() = nullptr;
  }

  testing::TempDir dir;
  settings::AppState state;
  testing::ScriptedUi ui;
};

TEST_F(SmallDialogs, AboutBoxShowsTheVersionInformationAndIsPhotographed) {
  app::MainForm main(state, ui);
  bool shown = false;
  WhenShown<AboutDialog>([&](AboutDialog& box) {
    shown = true;
    EXPECT_EQ(box.windowTitle(), QString("Om ") + version::kTitle);
    app::AboutForm probe(main);  // the texts the form gives its labels
    probe.Load();
    for (const controls::Label* model : {&probe.lblTitle, &probe.lblVersion, &probe.lblDescription, &probe.lblCopyright,
                                         &probe.LblMail, &probe.Lblwww}) {
      QLabel* label = box.label(*model);
      ASSERT_NE(label, nullptr) << model->name();
      EXPECT_EQ(label->text().toStdString(), model->caption());
    }
    EXPECT_EQ(box.sysInfoButton()->text(), "&System Info...");
    EXPECT_TRUE(box.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/about_box.png")));
    box.okButton()->click();
  });
  app::ShowAbout(main);
  EXPECT_TRUE(shown);
  EXPECT_EQ(main.icon, "imgIcon");
}

TEST_F(SmallDialogs, AboutBoxShowsADoubledAmpersandAsOne) {
  app::MainForm main(state, ui);
  WhenShown<AboutDialog>([&](AboutDialog& box) {
    QLabel* copyright = box.findChild<QLabel*>("lblCopyright");
    ASSERT_NE(copyright, nullptr);
    copyright->setText("A && B");
    copyright->setFixedSize(120, 20);
    QLabel plain("A & B");
    plain.setObjectName(copyright->objectName());
    plain.setStyleSheet(copyright->styleSheet());
    plain.setFont(copyright->font());
    plain.setPalette(copyright->palette());
    plain.setAlignment(copyright->alignment());
    plain.setWordWrap(copyright->wordWrap());
    plain.setFixedSize(120, 20);
    EXPECT_EQ(copyright->grab().toImage().convertToFormat(QImage::Format_RGB32),
              plain.grab().toImage().convertToFormat(QImage::Format_RGB32));
    QTest::keyClick(&box, Qt::Key_Escape);
  });
  app::ShowAbout(main);
}

TEST_F(SmallDialogs, RightClickOnTheWebAddressOpensIt) {
  const fs::path bin = dir / "bin";
  const fs::path record = dir / "opened.txt";
  fs::create_directories(bin);
  testing::WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + ".part'\nmv '" + record.string() + ".part' '" +
                                          record.string() + "'\n");
  ::chmod((bin / "xdg-open").c_str(), 0755);
  testing::ScopedEnv path("PATH", bin.string() + ":" + platform::GetEnv("PATH"));
  app::MainForm main(state, ui);
  WhenShown<AboutDialog>([&](AboutDialog& box) {
    QLabel* web = box.findChild<QLabel*>("Lblwww");
    ASSERT_NE(web, nullptr);
    QTest::mouseClick(web, Qt::RightButton);
    box.close();
  });
  app::ShowAbout(main);
  for (int i = 0; i < 300 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(fs::exists(record) ? testing::ReadFile(record) : "", app::AboutForm::kWebAddress);
}

// The mail and web links are reached with Tab after OK, and Enter follows one.
TEST_F(SmallDialogs, TheLinksAreReachedWithTabAndFollowedWithEnter) {
  const fs::path bin = dir / "bin";
  const fs::path record = dir / "opened.txt";
  fs::create_directories(bin);
  testing::WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + ".part'\nmv '" + record.string() + ".part' '" +
                                          record.string() + "'\n");
  ::chmod((bin / "xdg-open").c_str(), 0755);
  testing::ScopedEnv path("PATH", bin.string() + ":" + platform::GetEnv("PATH"));
  app::MainForm main(state, ui);
  QStringList stops;
  WhenShown<AboutDialog>([&](AboutDialog& box) {
    box.activateWindow();  // as a desktop activates a dialog it shows
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
    ASSERT_EQ(QApplication::focusWidget(), box.okButton());
    for (int i = 0; i < 3; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      stops << QApplication::focusWidget()->objectName();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(box.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/about_box_link_focus.png")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // the web address
    box.close();
  });
  app::ShowAbout(main);
  EXPECT_EQ(stops.join(u' ').toStdString(), "LblMail Lblwww cmdSysInfo");
  EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(record); }));
  EXPECT_EQ(fs::exists(record) ? testing::ReadFile(record) : "", app::AboutForm::kWebAddress);
}

TEST_F(SmallDialogs, AddFavoriteDialogSavesTypedTextAndIsPhotographed) {
  const fs::path ini = dir / "Quiremark.ini";
  state.iniPath = ini.string();
  app::AddFavoriteForm form(state, ui);
  bool stayedOpen = false;
  WhenShown<AddFavoriteDialog>([&](AddFavoriteDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Spara sökväg bland favoriter");
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains("Mapprubrik:"));
    EXPECT_TRUE(labels.contains("Sökväg:"));
    EXPECT_EQ(dialog.saveButton()->text(), "Spara");
    EXPECT_EQ(dialog.cancelButton()->text(), "Avbryt");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("txtLabel"), "Projekt");
    QTest::keyClicks(dialog.findChild<QLineEdit*>("txtPath"), QString::fromStdString(dir.path().string()));
    EXPECT_TRUE(dialog.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/add_favorite_dialog.png")));
    dialog.saveButton()->click();
    stayedOpen = dialog.isVisible();
    dialog.cancelButton()->click();
  });
  form.Show(true);
  EXPECT_TRUE(stayedOpen);
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(settings::GetIniSection(app::kFavoriteSection, ini),
            "Projekt=" + dir.path().string() + std::string(1, '\0'));
}

TEST_F(SmallDialogs, CadProgramDialogListsTheProgramsBesideTheCurrentOne) {
  const fs::path cad = dir / "cad";
  fs::create_directories(cad);
  for (const char* name : {"bricscad", "bricscad.sh"}) {
    testing::WriteFile(cad / name, "#!/bin/sh\n");
    ::chmod((cad / name).c_str(), 0755);
  }
  QtUiServices qtUi;
  app::MainForm main(state, qtUi);
  main.txtIcad.SetText((cad / "bricscad").string());
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Programfil");
    EXPECT_EQ(dialog.nameFilters(),
              QStringList{"IntelliCAD-program (icad.exe bricscad.exe icad bricscad bricscad.sh)"});
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath().toStdString(), fs::canonical(cad).string());
    dialog.selectFile(QString::fromStdString((cad / "bricscad.sh").string()));
    static_cast<QDialog&>(dialog).accept();
  });
  app::BrowseCadProgram(main, "Icad");
  EXPECT_EQ(fs::path(main.txtIcad.text()).filename(), "bricscad.sh");
}

}  // namespace
}  // namespace quiremark::gui
