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

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // Without a display the program runs on Qt's offscreen platform and talks
  // to the user through the error stream.
  const bool display = gui::DisplayAvailable();
  if (!display && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName(version::kProductName);
  QApplication::setOrganizationName(version::kCompanyName);
  gui::SwedishTranslator swedish;
  swedish.Install();

  gui::QtUiServices qtUi;
  controls::HeadlessUi headlessUi(std::cerr);
  settings::AppState state;
  app::MainForm form(state, display ? static_cast<controls::UiServices&>(qtUi) : headlessUi);
  form.builtConverter = static_cast<settings::Converter>(QUIREMARK_CONVERTER_SELECTOR);
  form.displayAvailable = display;
  gui::MainWindow window(form);
  if (display) {
    gui::ShowOptionsDialogsOnScreen(&window);
    gui::ShowAboutBoxesOnScreen(&window);
    gui::ShowAddFavoriteDialogsOnScreen(&window);
  }
  app::Main(arguments, state, form.ui,
            {.load =
                 [&form] {
                   app::LoadMainWindow(form, std::cerr);
                   return !form.programEnded;
                 },
             .show = [&form, display] {
               if (display) form.Show();
             }});
  // Nobody could use or close the window: the run ends once it is set up.
  if (!display) return form.startupComplete ? 0 : form.exitStatus;
  return QApplication::exec();
}
