#include "platform/base/WaitCursor.h"

#include <utility>

namespace vq {
namespace {
std::function<void(bool)>& Handler() {
    static std::function<void(bool)> handler;
    return handler;
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
