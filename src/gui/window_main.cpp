// The program with its window: loaded by the program's start when a display exists.
#include <QApplication>

#include <iostream>
#include <type_traits>

#include "controls/ui_services.h"
#include "gui/about_dialog.h"
#include "gui/add_favorite_dialog.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/program_start.h"
#include "gui/qt_ui_services.h"
#include "gui/swedish_translator.h"
#include "version.h"

extern "C" __attribute__((visibility("default"))) int quiremark_run_window(int argc, char* argv[], int converter) {
  using namespace quiremark;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  QApplication application(argc, argv);
  QApplication::setApplicationName(version::kProductName);
  QApplication::setOrganizationName(version::kCompanyName);
  gui::SwedishTranslator swedish;
  swedish.Install();

  // An unattended run shows its window as it works: its messages go to the
  // error stream and take their answer by themselves, and it shows no
  // dialog that waits for a person.
  const bool unattended = app::IsUnattendedRun(arguments);
  gui::QtUiServices qtUi(unattended ? &std::cerr : nullptr);
  settings::AppState state;
  app::MainForm form(state, qtUi);
  form.displayAvailable = true;
  gui::MainWindow window(form);
  if (!unattended) {
    gui::ShowOptionsDialogsOnScreen(&window);
    gui::ShowAboutBoxesOnScreen(&window);
    gui::ShowAddFavoriteDialogsOnScreen(&window);
  }
  gui::RunStartProcedure(arguments, state, form, static_cast<settings::Converter>(converter));
  return QApplication::exec();
}
static_assert(std::is_same_v<decltype(quiremark_run_window), quiremark::gui::RunWindowFunction>);
