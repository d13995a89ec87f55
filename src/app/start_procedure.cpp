#include "app/start_procedure.h"

#include <array>

#include "platform/environment.h"
#include "platform/program_info.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/shell_helpers.h"
#include "settings/text_routines.h"

namespace quiremark::app {

namespace {

enum class Switch { StartDir, OutFile, TreeScan };

struct SwitchName {
  Switch id;
  std::string_view text;
};
constexpr std::array<SwitchName, 3> kSwitches = {{
    {Switch::StartDir, "/startdir:"},
    {Switch::OutFile, "/outfile:"},
    {Switch::TreeScan, "/treescan:"},
}};


// The switch that begins at `pos` of the lower-cased line, if any.
std::optional<SwitchName> SwitchAt(const std::string& lower, std::size_t pos) {
  for (const auto& name : kSwitches) {
    if (lower.compare(pos, name.text.size(), name.text) == 0) return name;
  }
  return std::nullopt;
}

std::string SwitchValue(const std::string& piece) {
  std::string value = piece;
  std::erase(value, '"');
  return platform::Trim(value);
}

std::string SyntaxText() {
  return "SYNTAX:\r" + platform::ProgramName() +
         " /StartDir:\"Sökväg\" [/OutFile:\"Filnamn\"] [/TreeScan:\"Yes|No\"]";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  std::string line;
  for (const auto& argument : arguments) line += (line.empty() ? "" : " ") + argument;
  line = platform::Trim(line);
  if (line.empty()) return result;

  // Only the ASCII letters of the switch names matter here, so folding the
  // whole line keeps every byte position.
  std::string lower = line;
  for (auto& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (lower.find(kSwitches[0].text) == std::string::npos) {
    result.syntaxError = true;
    return result;
  }

  std::vector<std::pair<SwitchName, std::size_t>> starts;
  for (std::size_t pos = 0; pos < lower.size(); ++pos) {
    if (auto name = SwitchAt(lower, pos)) starts.emplace_back(*name, pos);
  }
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const auto& [name, pos] = starts[i];
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1].second : line.size();
    const std::string value = SwitchValue(line.substr(pos + name.text.size(), end - pos - name.text.size()));
    switch (name.id) {
      case Switch::StartDir:
        result.startDirs.push_back(value);
        break;
      case Switch::OutFile:
        result.outFile = value;
        break;
      case Switch::TreeScan: {
        const std::string answer = platform::FoldCase(value);
        result.treeScan = answer == "y" || answer == "yes";
        break;
      }
    }
  }
  return result;
}

void Main(const std::vector<std::string>& arguments, settings::AppState& state, controls::UiServices& ui,
          const MainWindowHooks& hooks) {
  state.debugMode = !platform::GetEnv("NORV_DEBUG").empty();
  settings::InitCommonControlClasses();

  const CommandLine commandLine = ParseCommandLine(arguments);
  if (commandLine.syntaxError) {
    ui.MessageBox(SyntaxText(), controls::mb::kOkOnly + controls::mb::kInformation, "Fel i anrop");
  } else {
    for (const auto& folder : commandLine.startDirs) {
      if (settings::FolderExists(folder)) settings::SaveRegSetting("LastFolder", folder);
    }
    state.outFileArg = commandLine.outFile;
    state.treeScanArg = commandLine.treeScan;
  }

  const auto debugBox = [&](const std::string& text) {
    if (state.debugMode) ui.MessageBox(text, controls::mb::kOkOnly, "");
  };
  debugBox("Loading frmMain");
  if (hooks.load && !hooks.load()) return;
  debugBox("frmMain loaded");
  if (hooks.show) hooks.show();
  debugBox("Showing frmMain");
}

}  // namespace quiremark::app
