// Linked into every test program: the command opens its review window
// wherever a display is set, and no test may open one on the desktop it runs
// on. The window's own tests bring their display (xvfb-run).
#include <cstdlib>

namespace {

const bool kDesktopForgotten = [] {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  return true;
}();

}  // namespace
