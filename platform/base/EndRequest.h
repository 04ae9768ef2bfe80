// Whether the program has been asked to end (the host caught a signal that ends it: SIGINT,
// SIGTERM, SIGHUP, SIGQUIT ...). Long waits of the user-interface thread, FTP transfers above all,
// look at it and stop, so that the program ends soon and leaves no half-written file behind. Set
// from a signal handler, so it is a lock-free atomic flag and nothing else.
#pragma once

#include <atomic>

namespace vq {

inline std::atomic<bool> g_endRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

inline void RequestEnd() noexcept {
    g_endRequested.store(true, std::memory_order_relaxed);
}
inline bool EndRequested() noexcept {
    return g_endRequested.load(std::memory_order_relaxed);
}
// Takes a request back (a test that asked for the end and goes on).
inline void ClearEndRequest() noexcept {
    g_endRequested.store(false, std::memory_order_relaxed);
}

} // namespace vq
