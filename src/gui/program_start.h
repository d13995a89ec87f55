#pragma once

#include <iostream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/main_startup.h"
#include "app/start_procedure.h"

namespace quiremark::gui {

// The start procedure, with the main window's start-up as its load step.
inline void RunStartProcedure(const std::vector<std::string>& arguments, settings::AppState& state,
                              app::MainForm& form, settings::Converter converter) {
  form.builtConverter = converter;
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

// The window's part of the program, in a library of its own that only a run
// with a display loads: Qt and the libraries under it take longer to load
// than a scheduled run of a few hundred plot files needs for its own work.
// Returns the program's exit status.
using RunWindowFunction = int(int argc, char* argv[], int converter);
inline constexpr const char* kWindowLibrary = "libquiremark_window.so";
inline constexpr const char* kRunWindowSymbol = "quiremark_run_window";

}  // namespace quiremark::gui
