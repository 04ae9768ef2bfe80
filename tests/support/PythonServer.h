// A test server written in Python (run by /usr/bin/python3, where Debian's server modules live):
// started with its script and arguments, it prints the port it listens on as its first line.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vqtest {

// Starts "python3 -c script args..." with its standard output piped and standard error discarded,
// and waits up to 15 seconds for the first line. The port, or 0 when the server did not start (a
// test failure then says why); pid is the process, -1 when none was started.
int StartPythonServer(const char* script, const std::vector<std::string>& args, pid_t& pid);

// Ends a server started so and waits for it; pid becomes -1.
void StopPythonServer(pid_t& pid);

} // namespace vqtest
