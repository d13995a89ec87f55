#include "app/start_procedure.h"

#include <array>
#include <filesystem>
#include <optional>

#include "app/main_startup.h"
#include "platform/environment.h"
#include "platform/program_info.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/shell_helpers.h"
#include "settings/text_routines.h"

namespace quiremark::app {

namespace {

enum class Switch { StartDir, OutFile, TreeScan, Unknown };

struct SwitchName {
  Switch id;
  std::string_view text;
};
constexpr std::array<SwitchName, 3> kSwitches = {{
    {Switch::StartDir, "/startdir:"},
    {Switch::OutFile, "/outfile:"},
    {Switch::TreeScan, "/treescan:"},
}};

// A switch in the line: which one, where it begins and how long its name is.
struct SwitchStart {
  Switch id;
  std::size_t pos;
  std::size_t length;
};

// The switch that begins at `pos` of the lower-cased line, if any: one of
// the three anywhere, or another "/name:" after a blank or at the start.
std::optional<SwitchStart> SwitchAt(const std::string& lower, std::size_t pos) {
  for (const auto& name : kSwitches) {
    if (lower.compare(pos, name.text.size(), name.text) == 0) return SwitchStart{name.id, pos, name.text.size()};
  }
  if (lower[pos] != '/' || (pos > 0 && lower[pos - 1] != ' ' && lower[pos - 1] != '\t')) return std::nullopt;
  std::size_t end = pos + 1;
  while (end < lower.size() && lower[end] >= 'a' && lower[end] <= 'z') ++end;
  if (end == pos + 1 || end >= lower.size() || lower[end] != ':') return std::nullopt;
  return SwitchStart{Switch::Unknown, pos, end + 1 - pos};
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

  std::vector<SwitchStart> starts;
  for (std::size_t pos = 0; pos < lower.size(); ++pos) {
    if (auto start = SwitchAt(lower, pos)) starts.push_back(*start);
  }
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const auto& [id, pos, length] = starts[i];
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1].pos : line.size();
    const std::string value = SwitchValue(line.substr(pos + length, end - pos - length));
    switch (id) {
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
      case Switch::Unknown:
        result.unknownSwitches.push_back(line.substr(pos, length));
        break;
    }
  }
  return result;
}

std::string AbsoluteFolder(const std::string& folder) {
  if (folder.empty()) return folder;
  // The tree is walked by whole names, which "." and ".." never are; a
  // trailing "/" does no harm and stays.
  std::error_code error;
  if (folder.front() == '/') {
    const std::filesystem::path normal = std::filesystem::path(folder).lexically_normal();
    // After a link to a folder, ".." leads to the parent of the link's target.
    if (!std::filesystem::is_directory(normal, error) && std::filesystem::is_directory(folder, error)) {
      const std::filesystem::path real = std::filesystem::canonical(folder, error);
      if (!error) return real.string();
    }
    return normal.string();
  }
  std::string absolute = std::filesystem::absolute(folder, error).lexically_normal().string();
  if (error) return folder;
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  return absolute;
}

void Main(const std::vector<std::string>& arguments, settings::AppState& state, controls::UiServices& ui,
          const MainWindowHooks& hooks, std::ostream& err) {
  state.debugMode = !platform::GetEnv("NORV_DEBUG").empty();
  settings::InitCommonControlClasses();

  const CommandLine commandLine = ParseCommandLine(arguments);
  if (commandLine.syntaxError) {
    ui.MessageBox(SyntaxText(), controls::mb::kOkOnly + controls::mb::kInformation, "Fel i anrop");
  } else {
    std::string startFolder;
    for (const auto& folder : commandLine.startDirs) {
      const std::string absolute = AbsoluteFolder(folder);
      if (!settings::FolderExists(absolute)) continue;
      settings::SaveRegSetting("LastFolder", absolute);
      startFolder = absolute;
    }
    state.startFolder = startFolder;
    state.outFileArg = commandLine.outFile;
    state.treeScanArg = commandLine.treeScan;
    for (const auto& name : commandLine.unknownSwitches) {
      ui.MessageBox("Okänd växel " + name + "\r" + SyntaxText(), controls::mb::kOkOnly + controls::mb::kInformation,
                    "Fel i anrop");
    }
    // An unattended run does exactly what its line says, or nothing.
    if (!state.outFileArg.empty() && !commandLine.unknownSwitches.empty()) {
      return EndProgramWith(ui, kExitBadCommandLine,
                            "Ingen PDF skapades: okänd växel " + commandLine.unknownSwitches.front(), err);
    }
    if (!state.outFileArg.empty() && startFolder.empty()) {
      const std::string named = commandLine.startDirs.empty() ? "" : commandLine.startDirs.back();
      return EndProgramWith(ui, kExitBadCommandLine, "Ingen PDF skapades: startmappen " + named + " finns inte.",
                            err);
    }
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
