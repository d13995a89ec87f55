// The program's start: without a display it runs on its forms alone; with
// one it loads its window's part and hands over to it.
#include <dlfcn.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/main_startup.h"
#include "controls/headless_ui.h"
#include "gui/display.h"
#include "gui/program_start.h"
#include "platform/program_info.h"

using namespace quiremark;

int main(int argc, char* argv[]) {
  const auto converter = static_cast<settings::Converter>(QUIREMARK_CONVERTER_SELECTOR);
  // Without a display nobody could see a window: the program talks to the
  // user through the error stream.
  if (!gui::DisplayAvailable()) {
    controls::HeadlessUi headlessUi(std::cerr);
    settings::AppState state;
    app::MainForm form(state, headlessUi);
    form.displayAvailable = false;
    gui::RunStartProcedure(std::vector<std::string>(argv + 1, argv + argc), state, form, converter);
    // Nobody could use or close the window: the run ends once it is set up.
    return form.startupComplete ? 0 : form.exitStatus;
  }

  const std::string library = (platform::ExecutableFolder() / gui::kWindowLibrary).string();
  void* window = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto* run = window ? reinterpret_cast<gui::RunWindowFunction*>(dlsym(window, gui::kRunWindowSymbol)) : nullptr;
  if (!run) {
    std::cerr << platform::ProgramName() << ": the window cannot be started: " << dlerror() << std::endl;
    return app::kExitCannotStart;
  }
  return run(argc, argv, static_cast<int>(converter));
}
