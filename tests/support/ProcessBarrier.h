// Clients that act at the same moment, each in a process of its own (a connection of its own):
// every process runs the body up to its arrive() and waits there until all of them have arrived,
// then all go on at once. What each process reports comes back to the caller.
//
//   std::vector<std::string> said = vqtest::RunAtBarrier(3, [&](int index, const auto& arrive) {
//       theApp.m_pConnPDM = ws.Connect();      // after the fork: a session of the process's own
//       ... prepare ...
//       arrive();
//       return std::to_string(Decide(index));
//   });
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vqtest {

using BarrierBody = std::function<std::string(int index, const std::function<void()>& arrive)>;

// Runs body(index, arrive) for index 0 .. count-1, each in a forked process. A process that ends
// before arriving lets the others go. A result is a short text (up to PIPE_BUF less 8 bytes, so
// that the reports of processes ending together do not mix). The results come in the order of
// the indexes; nothing for a
// process that ended without reporting (or could not be started). The caller's product connection
// is not used in the children: set theApp.m_pConnPDM in the body.
std::vector<std::optional<std::string>> RunAtBarrier(int count, const BarrierBody& body);

} // namespace vqtest
