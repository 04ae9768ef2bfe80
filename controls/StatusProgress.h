// CStatusProgress: a progress bar in the host's status bar beside a prompt, with the wait cursor,
// for operations that keep their dialog open. Without a host status bar it shows nothing and
// does no harm.
//
//   CStatusProgress progress(2, TRUE);   // prompt "执行等待", shown at once
//   progress.SetText("显示");
//   progress.SetPos(20); ... progress.SetPos(100);
//   // hidden when it goes out of scope
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

// The prompt of the operations that wait for the database.
constexpr UINT IDS_STATUS_WAIT = 2;

class CStatusProgress : public CObject {
public:
    // The prompt is the string resource promptId (empty when there is none).
    explicit CStatusProgress(UINT promptId, BOOL showNow = FALSE);
    ~CStatusProgress() override;
    CStatusProgress(const CStatusProgress&) = delete;
    CStatusProgress& operator=(const CStatusProgress&) = delete;

    void Show();
    // Shows first when hidden; a negative position shows only the prompt and the wait cursor.
    void SetPos(int pos);
    void SetText(const CString& text);
    void Hide();

    // The text of a string resource of this library.
    static CString LoadPrompt(UINT id);

    CString m_prompt;
    BOOL m_shown = FALSE;
    BOOL m_hasBar = FALSE;

private:
    int m_waitCursors = 0;
};
