#include "platform/ui/StatusBar.h"

#include <utility>

namespace vq {

namespace {
StatusBarSink*& Sink() {
    static StatusBarSink* sink = nullptr;
    return sink;
}
} // namespace

StatusBarSink* SetStatusBarSink(StatusBarSink* sink) {
    return std::exchange(Sink(), sink);
}

bool HasStatusBar() {
    return Sink() != nullptr;
}

void SetStatusText(const CString& text) {
    if (Sink())
        Sink()->SetText(text);
}

bool CreateStatusProgress(const CString& prompt) {
    return Sink() && Sink()->CreateProgress(prompt);
}

void SetStatusProgress(int pos) {
    if (Sink())
        Sink()->SetProgress(pos);
}

void DestroyStatusProgress() {
    if (Sink())
        Sink()->DestroyProgress();
}

const char* IdleStatusText() {
    return "就绪";
}

} // namespace vq
