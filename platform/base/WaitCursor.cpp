#include "platform/base/WaitCursor.h"

#include <utility>

namespace vq {
namespace {
// Never destroyed: a window destroyed as the program exits may still show the wait cursor.
std::function<void(bool)>& Handler() {
    static auto* handler = new std::function<void(bool)>();
    return *handler;
}
int& Depth() {
    static int depth = 0;
    return depth;
}
} // namespace

void SetWaitCursorHandler(std::function<void(bool)> handler) {
    Handler() = std::move(handler);
}

void BeginWaitCursor() {
    if (Depth()++ == 0 && Handler())
        Handler()(true);
}

void EndWaitCursor() {
    if (Depth() == 0)
        return;
    if (--Depth() == 0 && Handler())
        Handler()(false);
}

bool IsWaitCursorShown() {
    return Depth() > 0;
}
} // namespace vq
