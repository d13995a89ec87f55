#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/layout.h"
#include "app/main_form.h"
#include "app/start_procedure.h"
#include "controls/headless_ui.h"
#include "engine/conversion.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/qt_ui_services.h"
#include "gui/swedish_translator.h"
#include "version.h"

namespace {

using namespace quiremark;

// Without a display (and no platform chosen) the program runs on Qt's
// offscreen platform and talks to the user through the error stream.
bool HasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

constexpr const char* kLayoutSection = "Layout";

// The main window's frame: command bars with their saved arrangement, the
// stored theme, and the window at its first-start place and size.
void BuildFrame(app::MainForm& form) {
  engine::SetBuildDefaults(form.state, static_cast<settings::Converter>(QUIREMARK_CONVERTER_SELECTOR));
  form.caption = version::kTitle;
  form.CommandBars.onResize = [&form] { app::ArrangeControls(form); };
  app::CreateCommandBars(form);
  form.CommandBars.activeMenuBar().SetTitle("Meny");
  form.CommandBars.LoadCommandBars(version::kCompanyName, version::kProductName, kLayoutSection);
  const int theme = app::StoredTheme();
  app::SetTheme(form, theme, app::kFirstThemeCommand + theme);
  form.Move(25, 25, 9060, 6384);
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool display = HasDisplay();
  if (!display) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName(version::kProductName);
  QApplication::setOrganizationName(version::kCompanyName);
  gui::SwedishTranslator swedish;
  swedish.Install();

  gui::QtUiServices qtUi;
  controls::HeadlessUi headlessUi(std::cerr);
  settings::AppState state;
  app::MainForm form(state, display ? static_cast<controls::UiServices&>(qtUi) : headlessUi);
  gui::MainWindow window(form);
  if (display) gui::ShowOptionsDialogsOnScreen(&window);  // without one, nobody could close it
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  app::Main(arguments, state, form.ui,
            {.load =
                 [&form] {
                   BuildFrame(form);
                   return true;
                 },
             .show = [&form, display] {
               if (display) form.Show();
             }});
  if (!display) return 0;  // nobody could close the window

  const int status = QApplication::exec();
  form.CommandBars.SaveCommandBars(version::kCompanyName, version::kProductName, kLayoutSection);
  return status;
}
