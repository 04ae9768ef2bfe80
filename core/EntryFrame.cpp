#include "core/EntryFrame.h"

#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/View.h"

CEntryFrame::CEntryFrame(const CString& loginAccount, Ftp ftp) : m_withFtp(ftp == Ftp::Yes) {
    if (!vq::EntryCallCanShowDialogs())
        return;
    m_entered = true;
    vq::BeginWaitCursor();
    // Without an installation folder every settings read would show the same message again:
    // it is shown once, and the call ends here.
    if (GetSettingsFilePath().IsEmpty())
        return;
    SetCurrentLoginUser(loginAccount);
    if (!m_holder.ConnectPDM())
        return;
    if (m_withFtp && !m_holder.ConnectFTP())
        return;
    // Lend the holder's connection; the copy takes its reference before the old one goes.
    if (theApp.m_pConnPDM != m_holder.m_pConnection)
        theApp.m_pConnPDM = m_holder.m_pConnection;
    theApp.m_bConnectionLost = FALSE;
    if (m_withFtp)
        theApp.m_pFtpConnection = m_holder.m_pFtpConnection;
    // Log rows and notices carry the user's full name.
    theApp.RefreshUserName();
    m_open = true;
}

CEntryFrame::~CEntryFrame() {
    // A refused call (from another thread, say) leaves alone what a call under way has lent.
    if (!m_entered)
        return;
    // The holder closes what it opened; the lent references are cleared on every way out, so no
    // connection outlives the entry call.
    m_holder.Disconnect();
    theApp.m_pConnPDM = nullptr;
    if (m_withFtp)
        theApp.m_pFtpConnection = nullptr;
    vq::EndWaitCursor();
}

CString StoredNumber(const char* table, const char* column, const CString& typed) {
    if (typed.IsEmpty() || !theApp.m_pConnPDM)
        return typed;
    CString sql;
    sql.Format("SELECT %s FROM %s WHERE %s='%s' ORDER BY %s", column, table, column, SqlQuote(typed), column);
    const CString stored = theApp.GetSqlString(sql);
    return stored.IsEmpty() ? typed : stored;
}
