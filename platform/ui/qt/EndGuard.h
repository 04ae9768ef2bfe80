// The end of a program on an end signal, kept within 2 seconds of the signal whatever the display
// does. The windows' event loop normally takes the signal at once, gives back what the windows
// hold and ends the program by the signal (HostSignals.cpp); a display that stopped answering can
// hold that thread, though, in a wait for the display's reply. The guard then cuts the display
// connection off, which ends that wait, so that the loop (or Qt, ending the program on a broken
// display) still gives back what the windows hold; and in the end it ends the program by the
// signal itself, unless the program is already giving back what it holds (vq::BeginGivingBack,
// EndRequest.h: the loop destroying the windows, or a headless script stopped and its call
// unwinding). Each give-back is a write to the database with timeouts of its own: the guard lets it
// finish instead of ending the program at its 2 seconds (a busy machine, or another client holding
// the row, would otherwise leave a step marked as worked on), and ends it 10 seconds after the
// signal.
#pragma once

namespace vq {

// Made ready once, on the windows' thread, after the application object exists: the guard's thread
// waits for StartEndGuard. A program that exits (Qt does on a broken display connection) while an
// end signal is under way ends by that signal, after its windows have been destroyed.
void PrepareEndGuard();

// From the handler of the first end signal (only what a signal handler may do): the program is to
// end by `signo` within 2 seconds.
void StartEndGuard(int signo);

// Whether the connection to the X server has broken (the server ended or was killed): Qt ends the
// program, through exit, at its next look at the display's events. False on other platforms and
// while the display is only slow or frozen.
bool DisplayConnectionBroken();

} // namespace vq
