// Small socket pieces of the in-process fake servers of the tests.
#pragma once

#include <string>

namespace vqtest {

// A listening TCP socket on a free port of 127.0.0.1; the socket (its port in port), or -1 (port
// then 0) when it cannot be made.
int ListenOnLoopback(int backlog, int& port);

// A port of 127.0.0.1 taken by a socket that does not listen: a connection to it is refused. The
// socket (close it when done), or -1 (port then 0).
int RefusingPortOnLoopback(int& port);

// Sends the whole text (no SIGPIPE when the peer has gone); false when the connection failed.
bool SendAll(int fd, const std::string& text);

} // namespace vqtest
