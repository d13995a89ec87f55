#include "app/start_procedure.h"

#include <array>
#include <cctype>
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

enum class Switch { None, StartDir, OutFile, TreeScan, Unknown };

struct SwitchName {
  Switch id;
  std::string_view text;
};
constexpr std::array<SwitchName, 3> kSwitches = {{
    {Switch::StartDir, "/startdir:"},
    {Switch::OutFile, "/outfile:"},
    {Switch::TreeScan, "/treescan:"},
}};

// One of the three switch names at `pos` of `text`, letter case ignored.
std::optional<SwitchName> KnownSwitchAt(std::string_view text, std::size_t pos) {
  for (const SwitchName& name : kSwitches) {
    if (platform::EqualsIgnoringCase(text.substr(pos, name.text.size()), name.text)) return name;
  }
  return std::nullopt;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A character of a switch's name: letters (UTF-8 ones too), digits, "-" and "_".
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80 || c == '-' || c == '_';
}

// Reads the arguments as the program got them. An argument is one word, its
// blanks and all, as the shell's quotes kept it; one that holds double quotes
// is a whole command line of its own (as a start menu entry may pass it), whose
// blanks outside the quotes part its words. Outside double quotes, a word that
// begins with "/name:" begins a switch, and in a whole command line the three
// known names begin one anywhere; a word that is "/name" alone is a stray
// word, unless it is the first text of a value ("/StartDir: /data"). So a
// value the shell's quotes kept whole stays whole, the text of a switch in
// a folder's name ("/srv/Proj/OutFile:old") and all.
class LineReader {
 public:
  CommandLine Read(const std::vector<std::string>& arguments) {
    bool anyText = false;
    for (const std::string& argument : arguments) {
      anyText = anyText || !platform::Trim(argument, " \t").empty();
      ReadArgument(argument);
    }
    Close();
    result_.syntaxError = anyText && !startDirNamed_;
    return std::move(result_);
  }

 private:
  void ReadArgument(const std::string& argument) {
    const bool wholeLine = argument.find('"') != std::string::npos;
    bool quoted = false;
    bool wordStart = true;
    for (std::size_t i = 0; i < argument.size(); ++i) {
      const char c = argument[i];
      if (c == '"') {
        quoted = !quoted;
        wordStart = false;
        continue;
      }
      if (!quoted && c == '/') {
        if (wordStart) {
          std::size_t end = i + 1;
          while (end < argument.size() && IsNameChar(argument[end])) ++end;
          const bool named = end > i + 1;
          if (named && end < argument.size() && argument[end] == ':') {
            Begin(argument.substr(i, end + 1 - i));
            i = end;
            wordStart = false;
            continue;
          }
          const bool wordEnds = end == argument.size() || (wholeLine && IsBlank(argument[end]));
          const bool beginsValue = target_ != Switch::None && target_ != Switch::Unknown && ValueEmpty();
          if (named && wordEnds && !beginsValue) {
            Close();
            result_.strayWords.push_back(argument.substr(i, end - i));
            target_ = Switch::Unknown;  // what follows it belongs to no switch
            i = end - 1;
            wordStart = false;
            continue;
          }
        }
        if (const auto known = wholeLine ? KnownSwitchAt(argument, i) : std::nullopt) {
          Begin(argument.substr(i, known->text.size()));
          i += known->text.size() - 1;
          wordStart = false;
          continue;
        }
      }
      value_ += c;
      wordStart = !quoted && wholeLine && IsBlank(c);
    }
    value_ += ' ';  // the arguments of one value are joined by a blank
  }

  bool ValueEmpty() const { return platform::Trim(value_, " \t").empty(); }

  // A switch named `name` ("/Name:") begins: the one before it ends.
  void Begin(const std::string& name) {
    Close();
    target_ = Switch::Unknown;
    for (const SwitchName& known : kSwitches) {
      if (platform::EqualsIgnoringCase(name, known.text)) target_ = known.id;
    }
    if (target_ == Switch::Unknown) result_.unknownSwitches.push_back(name);
    if (target_ == Switch::StartDir) startDirNamed_ = true;
  }

  void Close() {
    const std::string value = platform::Trim(value_, " \t");
    value_.clear();
    switch (target_) {
      case Switch::StartDir: result_.startDirs.push_back(value); break;
      case Switch::OutFile:
        result_.outFileNamed = true;
        result_.outFile = value;
        break;
      case Switch::TreeScan: {
        const std::string answer = platform::FoldCase(value);
        result_.treeScan = answer == "y" || answer == "yes";
        break;
      }
      case Switch::None:
      case Switch::Unknown: break;
    }
    target_ = Switch::None;
  }

  CommandLine result_;
  Switch target_ = Switch::None;  // the switch whose value is being read
  std::string value_;
  bool startDirNamed_ = false;
};

std::string SyntaxText() {
  return "SYNTAX:\r" + platform::ProgramName() +
         " /StartDir:\"Sökväg\" [/OutFile:\"Filnamn\"] [/TreeScan:\"Yes|No\"]";
}

// How a switch is written, after a stray word.
constexpr const char* kSwitchForm = " (en växel skrivs /Namn:värde)";

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) { return LineReader().Read(arguments); }

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
  const bool unattended = IsUnattendedRun(commandLine);
  const auto refuse = [&](int status, const std::string& why) {
    EndProgramWith(ui, status, "Ingen PDF skapades: " + why, err);
  };
  const auto syntaxBox = [&](const std::string& fault) {
    ui.MessageBox((fault.empty() ? "" : fault + "\r") + SyntaxText(), controls::mb::kOkOnly + controls::mb::kInformation,
                  "Fel i anrop");
  };
  if (commandLine.syntaxError) {
    syntaxBox("");
    if (unattended) {
      return refuse(kExitBadCommandLine,
                    "/StartDir: saknas" + (commandLine.unknownSwitches.empty()
                                               ? std::string()
                                               : " (okänd växel " + commandLine.unknownSwitches.front() + ")") +
                        ".");
    }
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
    for (const auto& name : commandLine.unknownSwitches) syntaxBox("Okänd växel " + name);
    for (const auto& word : commandLine.strayWords) syntaxBox("Okänt ord " + word + kSwitchForm);
    if (unattended) {
      if (!commandLine.unknownSwitches.empty())
        return refuse(kExitBadCommandLine, "okänd växel " + commandLine.unknownSwitches.front());
      if (!commandLine.strayWords.empty())
        return refuse(kExitBadCommandLine, "okänt ord " + commandLine.strayWords.front() + kSwitchForm + ".");
      if (commandLine.outFile.empty()) {
        syntaxBox("/OutFile: saknar filnamn.");
        return refuse(kExitBadCommandLine, "/OutFile: saknar filnamn.");
      }
      if (startFolder.empty()) {
        const std::string named = commandLine.startDirs.back();
        return refuse(kExitBadCommandLine, "startmappen " + named + " finns inte.");
      }
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
