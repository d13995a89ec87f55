// The program's start: without a display it runs on its forms alone; with
// one it loads its window's part and hands over to it.
#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_startup.h"
#include "controls/headless_ui.h"
#include "gui/display.h"
#include "gui/program_start.h"
#include "platform/program_info.h"
#include "platform/text_encoding.h"

using namespace quiremark;

namespace {

// Why the loader could not load a library, in the user's words: the library
// it needs that is missing, when that is the cause.
std::string LoadFailure(std::string_view loaderSays) {
  constexpr std::string_view kCannotOpen = ": cannot open shared object file";
  if (const std::size_t at = loaderSays.find(kCannotOpen); at != std::string_view::npos) {
    return "den behöver biblioteket " + std::string(loaderSays.substr(0, at)) + ", som saknas";
  }
  return "filen är skadad eller passar inte till de installerade biblioteken";
}

// The window's part of the program; null, and `why` set, when it is missing
// or cannot be loaded.
gui::RunWindowFunction* LoadWindow(std::string& why) {
  const std::filesystem::path library = platform::ExecutableFolder() / gui::kWindowLibrary;
  const std::string shown = "programdelen " + platform::DecodeText(library.string());
  std::error_code error;
  if (!std::filesystem::exists(library, error)) {
    why = shown + " saknas.";
    return nullptr;
  }
  void* window = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!window) {
    const char* loaderSays = dlerror();
    why = shown + " kan inte laddas: " + LoadFailure(loaderSays ? loaderSays : "") + ".";
    return nullptr;
  }
  auto* run = reinterpret_cast<gui::RunWindowFunction*>(dlsym(window, gui::kRunWindowSymbol));
  if (!run) why = shown + " hör inte till det här programmet.";
  return run;
}

}  // namespace

int main(int argc, char* argv[]) {
  const auto converter = static_cast<settings::Converter>(QUIREMARK_CONVERTER_SELECTOR);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // An unattended run needs no window: with a display that cannot be
  // opened, or a window that cannot be loaded, it runs as without a display.
  // Any other run with a display is there to show the window, and ends at
  // once when it cannot.
  const bool unattended = app::IsUnattendedRun(arguments);
  const gui::DisplayCheck display = gui::CheckDisplay();
  const auto cannotShowWindow = [](int status, const std::string& why) {
    std::cerr << platform::ProgramName() << ": fönstret kan inte visas: " << why << std::endl;
    return status;
  };
  if (display.state == gui::Display::Open) {
    std::string why;
    if (gui::RunWindowFunction* run = LoadWindow(why)) return run(argc, argv, static_cast<int>(converter));
    if (!unattended) return cannotShowWindow(app::kExitPartMissing, why);
  } else if (display.state == gui::Display::CannotOpen && !unattended) {
    return cannotShowWindow(app::kExitNoDisplay, display.Reason() + ".");
  }

  // Without a display nobody could see a window: the program talks to the
  // user through the error stream.
  controls::HeadlessUi headlessUi(std::cerr);
  settings::AppState state;
  app::MainForm form(state, headlessUi);
  form.displayAvailable = false;
  gui::RunStartProcedure(arguments, state, form, converter);
  // Nobody could use or close the window: the run ends once it is set up.
  return form.startupComplete ? 0 : form.exitStatus;
}
