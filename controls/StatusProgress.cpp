#include "controls/StatusProgress.h"

#include "platform/base/WaitCursor.h"
#include "platform/ui/StatusBar.h"

CString CStatusProgress::LoadPrompt(UINT id) {
    switch (id) {
    case IDS_STATUS_WAIT:
        return "执行等待";
    default:
        return CString();
    }
}

CStatusProgress::CStatusProgress(UINT promptId, BOOL showNow) : m_prompt(LoadPrompt(promptId)) {
    if (showNow)
        Show();
}

CStatusProgress::~CStatusProgress() {
    if (m_shown)
        Hide();
}

void CStatusProgress::Show() {
    if (m_shown)
        Hide();
    vq::SetStatusText(m_prompt);
    vq::BeginWaitCursor();
    ++m_waitCursors;
    m_shown = TRUE;
}

void CStatusProgress::SetPos(int pos) {
    if (!m_shown)
        Show();
    if (pos < 0)
        return;
    if (!m_hasBar)
        m_hasBar = vq::CreateStatusProgress(m_prompt);
    if (m_hasBar)
        vq::SetStatusProgress(pos);
}

void CStatusProgress::SetText(const CString& text) {
    m_prompt = text;
    vq::SetStatusText(m_prompt);
}

void CStatusProgress::Hide() {
    if (!m_shown)
        return;
    if (m_hasBar)
        vq::DestroyStatusProgress();
    m_hasBar = FALSE;
    vq::SetStatusText(vq::IdleStatusText());
    // Every wait cursor this object began ends here, so the cursor count stays balanced.
    while (m_waitCursors > 0) {
        vq::EndWaitCursor();
        --m_waitCursors;
    }
    m_shown = FALSE;
}
