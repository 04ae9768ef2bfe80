// Whether the display named in the environment answers, asked before Qt is started on it: Qt ends
// the program when it cannot open its display, and waits without end on one that accepts a
// connection and never speaks. Only the X and Wayland platforms show a person the windows; every
// other platform Qt has (a frame buffer, a VNC server, a display driven without a window system)
// crashes, aborts, waits or serves the windows to anyone on the network, so nobody is taken to
// answer there.
#pragma once

#include "platform/os/TcpSocket.h"

#include <string>

namespace vq {

// The X server of a display name as DISPLAY gives it ("[host]:number[.screen]", "unix:0",
// "tcp/host:0"): true when it answers a connection set-up within timeoutMs (whether it then lets
// us in is Qt's to find out). The connection stays open in `connection`: an X server whose last
// client leaves resets itself and drops the connections being made meanwhile, so the probe's
// connection must stay until Qt has its own.
bool XDisplayAnswers(const std::string& name, int timeoutMs, TcpSocket& connection);

// The Wayland compositor of a display name as WAYLAND_DISPLAY gives it (a name in
// XDG_RUNTIME_DIR, or a path): true when it answers a round trip within timeoutMs (a socket that
// only accepts does not do). The connection stays open in `connection`.
bool WaylandDisplayAnswers(const std::string& name, int timeoutMs, TcpSocket& connection);

// The platform Qt is to start on, from QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY, and whether a
// person sees the windows there.
struct QtPlatformChoice {
    std::string platform; // for Qt's "-platform"; never empty
    bool person = false;  // a display answered: the windows reach a person
    std::string display;  // the display that answered (or was tried), as a person names it
    std::string why;      // why nobody sees the windows, when nobody does
    TcpSocket probe;      // the probe's connection, to be kept until Qt has made its own
};

// Decides the choice, probing the display of xcb or wayland for at most timeoutMs each.
void ChooseQtPlatform(QtPlatformChoice& choice, int timeoutMs);

// Whether Qt shows windows to a person on this platform (as Qt names it: "xcb", "wayland",
// "wayland-egl" ...).
bool PlatformReachesAPerson(const std::string& platform);

} // namespace vq
