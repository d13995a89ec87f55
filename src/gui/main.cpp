#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/main_startup.h"
#include "app/start_procedure.h"
#include "controls/headless_ui.h"
#include "gui/about_dialog.h"
#include "gui/add_favorite_dialog.h"
#include "gui/display.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/qt_ui_services.h"
#include "gui/swedish_translator.h"
#include "version.h"

using namespace quiremark;

namespace {

// The start procedure, with the main window's start-up as its load step.
void Start(const std::vector<std::string>& arguments, settings::AppState& state, app::MainForm& form) {
  form.builtConverter = static_cast<settings::Converter>(QUIREMARK_CONVERTER_SELECTOR);
  app::Main(arguments, state, form.ui,
            {.load =
                 [&form] {
                   app::LoadMainWindow(form, std::cerr);
                   return !form.programEnded;
                 },
             .show = [&form] {
               if (form.displayAvailable) form.Show();
             }});
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // Without a display nobody could see a window: the program runs on its
  // forms alone, without Qt, and talks to the user through the error stream.
  // Starting Qt and building a window for nobody cost a scheduled run more
  // than its own work on a folder of a few hundred files.
  if (!gui::DisplayAvailable()) {
    controls::HeadlessUi headlessUi(std::cerr);
    settings::AppState state;
    app::MainForm form(state, headlessUi);
    form.displayAvailable = false;
    Start(arguments, state, form);
    // Nobody could use or close the window: the run ends once it is set up.
    return form.startupComplete ? 0 : form.exitStatus;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(version::kProductName);
  QApplication::setOrganizationName(version::kCompanyName);
  gui::SwedishTranslator swedish;
  swedish.Install();

  gui::QtUiServices qtUi;
  settings::AppState state;
  app::MainForm form(state, qtUi);
  form.displayAvailable = true;
  gui::MainWindow window(form);
  gui::ShowOptionsDialogsOnScreen(&window);
  gui::ShowAboutBoxesOnScreen(&window);
  gui::ShowAddFavoriteDialogsOnScreen(&window);
  Start(arguments, state, form);
  return QApplication::exec();
}
