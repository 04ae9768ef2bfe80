// SIGPIPE held back on the windows' thread while the library's windows run their loop, in a program
// that has not ignored it itself. Qt writes to the X server through a socket; when the server ends
// or is killed, a write made before Qt has read the end of the connection raises SIGPIPE on the
// writing thread, whose default ends the program at once: the windows would not give back what
// they hold (the step a review marks as worked on). Held back, the write fails instead (EPIPE),
// Qt finds the connection broken and ends the program through exit, and the windows give back
// what they hold on the way out. When the scope ends, a SIGPIPE that a write of its own raised is
// taken away unheard and the thread's mask is as it was; one that was waiting before is left.
#pragma once

#include <csignal>

namespace vq {

class SigpipeHeld {
public:
    SigpipeHeld();
    ~SigpipeHeld();
    SigpipeHeld(const SigpipeHeld&) = delete;
    SigpipeHeld& operator=(const SigpipeHeld&) = delete;

private:
    bool m_heldBefore = false;    // an outer scope (or the program) holds it: nothing to undo
    bool m_pendingBefore = false; // one was waiting already: it is not ours to take away
};

} // namespace vq
