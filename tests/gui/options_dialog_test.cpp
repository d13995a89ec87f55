#include "gui/options_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <set>

#include "gui/focus_ring.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

// Every text the dialog shows: tab and group captions, labels, check boxes,
// buttons and list items.
std::set<QString> ShownTexts(QWidget* dialog) {
  std::set<QString> texts{dialog->windowTitle()};
  for (auto* tabs : dialog->findChildren<QTabWidget*>())
    for (int i = 0; i < tabs->count(); ++i) texts.insert(tabs->tabText(i));
  for (auto* group : dialog->findChildren<QGroupBox*>()) texts.insert(group->title());
  for (auto* label : dialog->findChildren<QLabel*>()) texts.insert(label->text());
  for (auto* check : dialog->findChildren<QCheckBox*>()) texts.insert(check->text());
  for (auto* button : dialog->findChildren<QPushButton*>()) texts.insert(button->text());
  for (auto* combo : dialog->findChildren<QComboBox*>())
    for (int i = 0; i < combo->count(); ++i) texts.insert(combo->itemText(i));
  return texts;
}

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ShowOptionsDialogsOnScreen(nullptr); }
  void TearDown() override { app::OptionsForm::AttachView() = nullptr; }

  // Shows the dialog modally and runs `act` on it once it is up.
  void ShowAndThen(app::OptionsForm& form, const std::function<void(OptionsDialog&)>& act) {
    QTimer::singleShot(0, [&] {
      auto* dialog = dynamic_cast<OptionsDialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        ADD_FAILURE() << "no modal options dialog";
        return;
      }
      act(*dialog);
    });
    form.Show(true);
  }

  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  testing::ScopedEnv user{"USERNAME", "anna"};
  settings::AppState state;
  testing::ScriptedUi ui;
};

TEST_F(OptionsDialogTest, ShowsEveryTextAndIsPhotographed) {
  state.themeBaseColor = 0xE0D8D0;
  app::OptionsForm form(state, ui);
  std::set<QString> texts;
  bool closed = false;
  ShowAndThen(form, [&](OptionsDialog& dialog) {
    texts = ShownTexts(&dialog);
    EXPECT_GE(dialog.width() * 15, 7860);
    EXPECT_GE(dialog.height() * 15, 6000);
    EXPECT_TRUE(dialog.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/options_dialog.png")));
    dialog.tabs()->setCurrentIndex(2);
    EXPECT_TRUE(dialog.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/options_dialog_ghostscript.png")));
    dialog.close();
    closed = !dialog.isVisible();
  });
  EXPECT_TRUE(closed);
  EXPECT_FALSE(form.loaded()) << "the close box unloads the form";
  EXPECT_NE(settings::GetRegSetting("Width", "", "Options"), "") << "and its placement is stored";
  EXPECT_EQ(settings::GetRegSetting("cboShow", "none", "Options"), "none") << "but no option";

  for (const char* expected :
       {"Alternativ", "Generella inställningar", "Acrobat Distiller", "Ghostscript", "PDF-egenskaper", "Visa:",
        "Sidlayout:", "Förstoring:", "Dokument-metadata", "Titel:", "Författare:", "Ämne:", "Nyckelord:",
        "Övriga inställningar", " Öppna PDF när den skapats", " Ange Metadata när PDF skapas",
        "Antal dagar för tidigare mappar", "Programinställningsfil...", "Använd Acrobat Distiller", "Web-adress:",
        "Gå till...", "Använd GhostScript", "S&para ändringar", "A&vsluta utan att spara", "Endast sida",
        "Sida och bokmärken", "Sida och miniatyrer", "En sida", "Kontinuerligt", "Motstående sidor", "Sidbredd",
        "Anpassa till sida", "100%", "<QuiremarkTitle.txt>", "anna", "1", "7", "14", "100"})
    EXPECT_TRUE(texts.count(QString::fromUtf8(expected))) << expected;
}

TEST_F(OptionsDialogTest, ChangesInTheWidgetsAreSavedByTheButton) {
  app::OptionsForm form(state, ui);
  ShowAndThen(form, [&](OptionsDialog& dialog) {
    auto* zoom = dialog.findChild<QComboBox*>("cboZoom");
    ASSERT_NE(zoom, nullptr);
    EXPECT_FALSE(zoom->isEditable()) << "a list to pick from";
    EXPECT_EQ(zoom->currentText(), "Anpassa till sida");
    zoom->setCurrentIndex(2);
    emit zoom->activated(2);
    auto* gs = dialog.findChild<QCheckBox*>("chkGS");
    ASSERT_NE(gs, nullptr);
    gs->click();
    EXPECT_FALSE(dialog.findChild<QCheckBox*>("chkDistiller")->isChecked()) << "the other converter box clears";
    dialog.findChild<QPushButton*>("cmdSaveChanges")->click();
  });
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(settings::GetRegSetting("cboZoom", "", "Options"), "2");
  EXPECT_EQ(settings::GetRegSetting("chkDistiller", "", "Options"), "0");
}

// The dialog opens with the keyboard in its first field, and the field that
// has it shows a ring of the focus colour around it; Tab takes it on.
TEST_F(OptionsDialogTest, OpensWithTheKeyboardInTheFirstFieldMarked) {
  state.themeBaseColor = 0xE0D8D0;
  app::OptionsForm form(state, ui);
  ShowAndThen(form, [&](OptionsDialog& dialog) {
    dialog.activateWindow();  // as a desktop activates a dialog it shows
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
    ASSERT_EQ(QApplication::focusWidget(), dialog.findChild<QComboBox*>("cboShow"));
    const auto ring = [&] {
      const QWidget* field = QApplication::focusWidget();
      const QPoint corner = field->mapTo(&dialog, QPoint(-1, field->height() / 2));
      return dialog.grab().toImage().pixelColor(corner);
    };
    EXPECT_EQ(ring(), FocusColor(dialog.palette()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QComboBox*>("cboLayout"));
    EXPECT_EQ(ring(), FocusColor(dialog.palette()));
    EXPECT_TRUE(dialog.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/options_dialog_focus.png")));
    dialog.close();
  });
}

}  // namespace
}  // namespace quiremark::gui
