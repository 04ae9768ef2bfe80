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

// Whether the program, asked to end, has begun giving back what it holds (the windows' loop
// destroying the windows, or a headless script stopped and its call unwinding): each give-back is
// a database write with timeouts of its own, which the end guard lets finish (EndGuard.h).
inline std::atomic<bool> g_givingBack{false};

inline void BeginGivingBack() noexcept {
    g_givingBack.store(true, std::memory_order_relaxed);
}
inline bool GivingBack() noexcept {
    return g_givingBack.load(std::memory_order_relaxed);
}

} // namespace vq
