// The host's status bar: a message text and, while a long operation runs, a progress bar beside
// it. The host installs a sink for its main window's status bar; without one (headless runs, a
// host without a frame) every call does nothing and reports that there is no status bar.
#pragma once

#include "platform/base/String.h"

namespace vq {

class StatusBarSink {
public:
    virtual ~StatusBarSink() = default;
    // Shows the text as the status message.
    virtual void SetText(const CString& text) = 0;
    // Places a progress bar (range 0..100) after the prompt; false when there is no room for it.
    virtual bool CreateProgress(const CString& prompt) = 0;
    virtual void SetProgress(int pos) = 0;
    // Removes the progress bar; the status bar is as it was before.
    virtual void DestroyProgress() = 0;
};

// Installs the sink (nullptr removes it) and returns the one it replaces.
StatusBarSink* SetStatusBarSink(StatusBarSink* sink);
bool HasStatusBar();

void SetStatusText(const CString& text);
bool CreateStatusProgress(const CString& prompt);
void SetStatusProgress(int pos);
void DestroyStatusProgress();

// The status message of a host at rest.
const char* IdleStatusText();

} // namespace vq
