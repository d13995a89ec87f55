#include "gui/display.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "platform/environment.h"
#include "platform/text_encoding.h"

namespace quiremark::gui {

namespace {

// Whether the X display `name` takes a connection from this user.
bool XDisplayOpens(const std::string& name) {
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return false;  // nor could Qt's X platform start
  using Connect = void*(const char*, int*);
  using HasError = int(void*);
  using Disconnect = void(void*);
  auto* connect = reinterpret_cast<Connect*>(dlsym(xcb, "xcb_connect"));
  auto* hasError = reinterpret_cast<HasError*>(dlsym(xcb, "xcb_connection_has_error"));
  auto* disconnect = reinterpret_cast<Disconnect*>(dlsym(xcb, "xcb_disconnect"));
  bool open = false;
  if (connect && hasError && disconnect) {
    // libxcb writes a server's refusal ("Authorization required, ...") to
    // the error stream itself; the program says in its own words what failed.
    const int err = ::dup(STDERR_FILENO);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (err >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
    void* connection = connect(name.c_str(), nullptr);  // never null: a failed one carries its error
    open = hasError(connection) == 0;
    if (err >= 0 && nowhere >= 0) ::dup2(err, STDERR_FILENO);
    if (nowhere >= 0) ::close(nowhere);
    if (err >= 0) ::close(err);
    // An open connection stays open while the program runs: an X server
    // whose last client leaves starts afresh, and while it does it refuses
    // or holds up the next connection, which would be the window's.
    if (open) return true;
    disconnect(connection);
  }
  dlclose(xcb);
  return open;
}

// Whether the Wayland display `name` (a socket in XDG_RUNTIME_DIR, or a path) takes a connection.
bool WaylandDisplayOpens(const std::string& name) {
  std::string socketPath = name;
  if (name.front() != '/') {
    const std::string runtime = platform::GetEnv("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    socketPath = runtime + "/" + name;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool open = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return open;
}

class DisplayProbe {
 public:
  // Whether the display of the variable `name` opens; a set one that does not is noted.
  bool Opens(const char* variable) {
    const std::string name = platform::GetEnv(variable);
    if (name.empty()) return false;
    const bool x = std::string_view(variable) == "DISPLAY";
    if (x ? XDisplayOpens(name) : WaylandDisplayOpens(name)) return true;
    check_.unopened.push_back(name + " (" + variable + ")");
    return false;
  }

  DisplayCheck Open() {
    check_.state = Display::Open;
    check_.unopened.clear();
    return check_;
  }
  DisplayCheck NoneOpens() {
    check_.state = check_.unopened.empty() ? Display::None : Display::CannotOpen;
    return check_;
  }

 private:
  DisplayCheck check_;
};

}  // namespace

std::string DisplayCheck::Reason() const {
  std::string names;
  for (std::size_t i = 0; i < unopened.size(); ++i) names += (i == 0 ? "" : " och ") + unopened[i];
  return (unopened.size() == 1 ? "skärmen " : "skärmarna ") + names + " kan inte öppnas";
}

DisplayCheck CheckDisplay() {
  DisplayProbe probe;
  // "name:options" entries, tried in order.
  const std::string platformList = platform::GetEnv("QT_QPA_PLATFORM");
  std::string_view platforms = platformList;
  if (!platform::Trim(platforms, " \t").empty()) {
    while (!platforms.empty()) {
      const std::string_view entry = platforms.substr(0, platforms.find(';'));
      platforms.remove_prefix(std::min(platforms.size(), entry.size() + 1));
      const std::string name = platform::Trim(entry.substr(0, entry.find(':')), " \t");
      if (name.empty()) continue;
      // It draws where nobody looks: the run has no display.
      if (name == "offscreen" || name == "minimal" || name == "minimalegl") return {};
      if (name == "xcb") {
        if (probe.Opens("DISPLAY")) return probe.Open();
      } else if (name.starts_with("wayland")) {
        if (probe.Opens("WAYLAND_DISPLAY")) return probe.Open();
      } else {
        return probe.Open();
      }
    }
    return probe.NoneOpens();
  }
  if (probe.Opens("WAYLAND_DISPLAY") || probe.Opens("DISPLAY")) return probe.Open();
  return probe.NoneOpens();
}

}  // namespace quiremark::gui
