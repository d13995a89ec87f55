#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "controls/basic_controls.h"

namespace quiremark::browser {

// The CAD script runner's pieces that need no window: the template format,
// the generated script and the CAD program's command line.

// The generated script's name in the temporary folder.
inline constexpr const char* kScriptFileName = "ScriptIt.scr";
// The drawing the CAD program opens first, in the program's own folder.
inline constexpr const char* kStartDrawing = "elprscr.dwg";

// FileScr: the "*.scr" files of the template folder. It lists the process's
// current folder until a template folder is chosen.
class ScriptFileList : public controls::FileList {
 public:
  ScriptFileList();
};

// A template as the runner uses it: the kept lines, in order, and whether
// one of the lines read asks for a project database.
struct ScriptTemplate {
  std::vector<std::string> lines;  // UTF-8
  bool needsProject = false;
  bool utf8 = false;           // the file was UTF-8 with non-ASCII text: the script is written as UTF-8
  bool byteOrderMark = false;  // and began with a byte order mark, which the script keeps
};

// Template text as read from the file: lines end at CR LF, CR or LF. A line
// beginning "%C" (any case) is a comment; one beginning "%END" (any case)
// ends the template. Every other line loses the text from its last ";" on
// and its trailing blanks, and is kept (empty or not). A line read (comments
// and the "%END" line included) holding the quoted "%m" asks for a project.
ScriptTemplate ParseScriptTemplate(std::string_view bytes);

// Reads and parses a template file. Throws std::system_error when it cannot
// be read.
ScriptTemplate ReadScriptTemplate(const std::filesystem::path& file);

// What the placeholders of one script line stand for.
struct ScriptValues {
  std::string folder;    // the working folder
  std::string fileName;  // the grid row's file name (relative path after a tree scan)
  std::string project;   // the project database's base name, or ""
  std::string date;
  std::string time;
};

// A template line with its placeholders replaced, in this order, each
// replacement working on the result of the one before: %f, %lfullname,
// %path, %lpath, %name, %ext, %m, %date, %time (case-sensitive). A line
// break inside a value becomes a blank, so a value never splits a line.
std::string ExpandTemplateLine(const std::string& line, const ScriptValues& values);

// The script's bytes: every template line for each file in turn, then
// ".EXIT", each line ending CR LF, in the template's encoding (Windows-1252
// where every character fits, otherwise UTF-8, for a template that was not UTF-8).
std::string BuildScript(const ScriptTemplate& scriptTemplate, const std::vector<std::string>& fileNames,
                        ScriptValues values);

// The project name of a chosen project database: the text between its last
// "/" and its last ".".
std::string ProjectName(const std::string& databasePath);

// The CAD program's arguments: the program, the start drawing in the
// program's folder, the parameters split as a command line, "/b" and the script.
std::vector<std::string> CadStartArguments(const std::string& program, const std::string& parameters,
                                           const std::string& scriptPath);

}  // namespace quiremark::browser
