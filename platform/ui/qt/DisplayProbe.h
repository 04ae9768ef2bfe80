// Whether the display named in the environment answers, asked before Qt is started on it: Qt ends
// the program when it cannot open its display, and waits without end on one that accepts a
// connection and never speaks.
#pragma once

#include <string>

namespace vq {

// The X server of a display name as DISPLAY gives it ("[host]:number[.screen]", "unix:0",
// "tcp/host:0"): true when it answers a connection set-up within timeoutMs (whether it then lets
// us in is Qt's to find out).
bool XDisplayAnswers(const std::string& name, int timeoutMs);

// The Wayland compositor of a display name as WAYLAND_DISPLAY gives it (a name in
// XDG_RUNTIME_DIR, or a path): true when its socket accepts a connection within timeoutMs.
bool WaylandDisplayAnswers(const std::string& name, int timeoutMs);

} // namespace vq
