// The wait cursor shown while an entry call or a long operation runs. The window layer installs
// a handler that changes the cursor; without one the calls do nothing.
#pragma once

#include <functional>

namespace vq {
// Called with true when the first wait cursor begins and false when the last one ends.
void SetWaitCursorHandler(std::function<void(bool)> handler);
void BeginWaitCursor();
void EndWaitCursor();
bool IsWaitCursorShown();
} // namespace vq

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() { vq::BeginWaitCursor(); }
    ~CWaitCursor() { vq::EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore() {}
};
