#pragma once

#include <optional>
#include <string>

namespace quiremark::controls {

// Message box styles are the sum of a button set, an icon and the default
// button (the first one unless said), as the forms pass them.
namespace mb {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kDefaultButton3 = 512;
inline constexpr int kButtonMask = 0x0F;
inline constexpr int kIconMask = 0x70;
inline constexpr int kDefaultButtonMask = 0x300;
}  // namespace mb

// The answer a message box returns.
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct FileDialogRequest {
  std::string title;
  std::string filter;          // "Description (*.pdf)|*.pdf|..." pairs separated by "|"
  std::string initialFolder;
  std::string initialFile;     // file name proposed in the dialog
  std::string defaultExtension;
  int flags = 0;               // dialog flags of the caller; meaningless ones are ignored
};

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Every way the form logic talks to the user or the windowing system goes
// through this interface, so the logic runs the same under Qt, without a
// display, and in tests with a scripted fake.
class UiServices {
 public:
  virtual ~UiServices() = default;

  // An empty title shows the application title.
  virtual MsgResult MessageBox(const std::string& text, int style, const std::string& title) = 0;

  // Empty optional: the user cancelled.
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  // Returns the chosen folder, or "" when cancelled or unusable.
  virtual std::string BrowseForFolder(const std::string& startPath, const std::string& title) = 0;

  virtual void SetHourglass(bool busy) = 0;
  // Lets pending window messages run once (repaint, clicks that arrive meanwhile).
  virtual void Yield() = 0;

  virtual TwipsRect Screen() const = 0;
  virtual TwipsRect WorkArea() const = 0;
  // The work area of the screen `place` lies on (its middle); the primary
  // screen's where it lies on none, or where there is one screen only.
  virtual TwipsRect WorkAreaAt(const TwipsRect& place) const {
    (void)place;
    return WorkArea();
  }

  // Ends the program with the given exit status.
  virtual void EndProgram(int exitCode) = 0;
};

}  // namespace quiremark::controls
