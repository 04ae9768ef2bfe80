#include "core/EntryFrame.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Collections.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/Ado.h"
#include "platform/db/SqlText.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cstdio>

bool EntryLoginAccepted(const CString& loginAccount) {
    const std::string& text = loginAccount.str();
    const char* fault = nullptr;
    if (!vq::IsValidUtf8(text))
        fault = "it is not UTF-8 text";
    else if (std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        fault = "it holds a line break or another control character";
    else if (!vq::HasGbkForm(text))
        fault = "it holds a character that code page 936 does not have";
    else if (vq::Utf8ToGbk(text).size() > 99)
        fault = "it is longer than 99 bytes in code page 936";
    else if (!text.empty() && (text.front() == ' ' || text.back() == ' '))
        fault = "it begins or ends with a blank";
    else if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        fault = "it stands in quotes";
    if (!fault)
        return true;
    vq::NoteEntryCallRefused();
    std::fprintf(stderr,
                 "vqdesigntask: the login account cannot be recorded as it was given (%s): the call is "
                 "refused.\n",
                 fault);
    return false;
}

CEntryFrame::CEntryFrame(const CString& loginAccount, Ftp ftp) : m_withFtp(ftp == Ftp::Yes) {
    if (!vq::EntryCallCanShowDialogs() || !EntryLoginAccepted(loginAccount))
        return;
    m_entered = true;
    vq::BeginWaitCursor();
    // Without an installation folder every settings read would show the same message again:
    // it is shown once, and the call ends here. So does a broken installation or a settings file
    // that cannot be read: the call would otherwise go on with the defaults (the default data
    // source among them) without a word.
    if (SaidSettingsFault() || GetSettingsFilePath().IsEmpty())
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
    // The one equality of numbers: on SQLite the column's own NOCASE folds ASCII letters only.
    CString sql;
    sql.Format("SELECT %s FROM %s WHERE %s", column, table,
               SqlFoldedEquals(theApp.m_pConnPDM->GetEngine(), column, typed).c_str());
    CStringArray found;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext())
            found.Add(VariantToStoredText(rs->GetCollect(0L)));
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return typed;
    }
    // The typed text itself when a row stores it so; else the one row it finds. Several rows
    // that the comparison takes for one number ("XM-02-01" and "XM-02-01 " where it ignores
    // trailing blanks) leave the typed text: no other row's number is taken for it.
    for (int i = 0; i < found.GetSize(); ++i)
        if (found[i] == typed)
            return typed;
    return found.GetSize() == 1 ? found[0] : typed;
}
