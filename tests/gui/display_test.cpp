// Which display a run has, as its start finds out before it loads any Qt.
#include "gui/display.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>

#include "support/test_support.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;

// A socket that takes connections, as a Wayland compositor's does.
class ListeningSocket {
 public:
  explicit ListeningSocket(const fs::path& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    EXPECT_EQ(::listen(fd_, 4), 0);
  }
  ~ListeningSocket() { ::close(fd_); }
  ListeningSocket(const ListeningSocket&) = delete;
  ListeningSocket& operator=(const ListeningSocket&) = delete;

 private:
  int fd_ = -1;
};

TEST(Display, IsFoundAsQtWouldTryItsPlatforms) {
  testing::TempDir runtime;
  const ListeningSocket compositor(runtime / "wayland-7");
  testing::ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.path().string());
  const std::string live = "wayland-7";
  const std::string deadX = ":4711";  // no X server is given that display number
  const struct {
    std::optional<std::string> platform;
    std::optional<std::string> x;
    std::optional<std::string> wayland;
    Display state;
    std::string reason;  // of a display that cannot be opened
  } cases[] = {
      {std::nullopt, std::nullopt, std::nullopt, Display::None, ""},
      {"offscreen", deadX, std::nullopt, Display::None, ""},
      {"xcb;minimal", deadX, std::nullopt, Display::None, ""},
      {"vnc:port=0", std::nullopt, std::nullopt, Display::Open, ""},
      {std::nullopt, deadX, std::nullopt, Display::CannotOpen, "skärmen :4711 (DISPLAY) kan inte öppnas"},
      {"xcb", deadX, live, Display::CannotOpen, "skärmen :4711 (DISPLAY) kan inte öppnas"},
      {"xcb", std::nullopt, std::nullopt, Display::None, ""},
      {std::nullopt, deadX, live, Display::Open, ""},
      {"wayland", std::nullopt, (runtime / live).string(), Display::Open, ""},
      {std::nullopt, deadX, "wayland-9", Display::CannotOpen,
       "skärmarna wayland-9 (WAYLAND_DISPLAY) och :4711 (DISPLAY) kan inte öppnas"},
  };
  for (const auto& c : cases) {
    testing::ScopedEnv platform("QT_QPA_PLATFORM", c.platform);
    testing::ScopedEnv x("DISPLAY", c.x);
    testing::ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland);
    const DisplayCheck check = CheckDisplay();
    SCOPED_TRACE(c.platform.value_or("-") + " " + c.x.value_or("-") + " " + c.wayland.value_or("-"));
    EXPECT_EQ(check.state, c.state);
    if (c.state == Display::CannotOpen) {
      EXPECT_EQ(check.Reason(), c.reason);
    }
  }
}

}  // namespace
}  // namespace quiremark::gui
