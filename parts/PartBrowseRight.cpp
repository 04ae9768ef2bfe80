#include "parts/PartBrowseRight.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"

namespace {

void CloseIfAsked(_RecordsetPtr& rs, int closeMode) {
    if (closeMode && rs && rs->GetState() == adStateOpen)
        rs->Close();
}

} // namespace

CPartBrowseRight::CPartBrowseRight()
    : m_pConnection(theApp.m_pConnPDM), m_nAdoCloseMode(theApp.m_nAdoCloseMode),
      m_strLoginUser(theApp.m_strLoginUser) {
    m_treeStack.Init();
}

CPartBrowseRight::~CPartBrowseRight() = default;

int CPartBrowseRight::CanBrowse(CString partCode) {
    // Only the account written exactly "admin" is exempt; "Admin" is checked like any other.
    if (m_strLoginUser.Compare("admin") == 0)
        return 1;
    m_strPartCode = partCode;
    if (m_strPartCode.IsEmpty()) {
        AfxMessageBox("请指定零部件图号信息...");
        return 0;
    }
    CWaitCursor wait;
    m_arrAllowedCodes.RemoveAll();
    m_arrCollectedCodes.RemoveAll();
    if (!LoadAllowedCodes())
        return 0;
    m_arrCollectedCodes.Add(m_strPartCode);
    CollectAncestors();
    return MatchAllowed();
}

int CPartBrowseRight::LoadAllowedCodes() {
    const CString today = theApp.GetServerDate();
    CString sql;
    sql.Format("SELECT PartCode,EndDate FROM BrowseRight WHERE UserName='%s' Order By PartCode",
               SqlQuote(m_strLoginUser));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString code = VariantToString(rs->GetCollect("PartCode"));
            CString endDate = VariantToString(rs->GetCollect("EndDate"));
            // An end date of today still allows; an empty one never expires.
            if (endDate.IsEmpty() || endDate.CompareNoCase(today) >= 0)
                m_arrAllowedCodes.Add(code);
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }

    const CString user = SqlQuote(m_strLoginUser);
    sql.Format(
        "SELECT ProductDwgCode FROM Product WHERE ProductStyle IN (SELECT ProductStyle FROM ProductGroup "
        "WHERE Manager='%s' OR UpperManager='%s' OR ProductStyle IN (SELECT ProductStyle FROM "
        "ProductDesigner WHERE UserName='%s'))",
        user, user, user);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrAllowedCodes.Add(VariantToString(rs->GetCollect(0L)));
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
    return 1;
}

int CPartBrowseRight::CollectAncestors() {
    m_treeStack.Init();
    m_cycleNotice.Reset();
    CString code = m_strPartCode;
    CString path;
    for (;;) {
        if (code.IsEmpty() && m_treeStack.IsEmpty())
            return 1;
        GetParentCodes(code, path);
        const int count = static_cast<int>(m_arrParentCodes.GetSize());
        if (count == 0) {
            m_spareItem = m_treeStack.GetTop();
            code = m_spareItem.m_code;
            path = m_spareItem.m_name;
            m_treeStack.Drop();
            continue;
        }
        for (int i = 0; i < count - 1; ++i) {
            m_arrCollectedCodes.Add(m_arrParentCodes[i]);
            m_treeStack.Push(CTreeCursor(), m_arrParentCodes[i], path + code + "||", 0);
        }
        const CString last = m_arrParentCodes[count - 1];
        m_arrCollectedCodes.Add(last);
        path += code + "||";
        code = last;
    }
}

void CPartBrowseRight::GetParentCodes(CString code, const CString& path) {
    m_arrParentCodes.RemoveAll();
    code.TrimRight();
    // Standard parts ("GB...") are shared by everything; no assembly is looked up for them.
    if (code.IsEmpty() || code.Left(2) == "GB")
        return;
    if (!path.IsEmpty() && (path.Find(code + "||") == 0 || path.Find("||" + code + "||") > 0)) {
        m_cycleNotice.Report(code, path);
        return;
    }
    // The assemblies that list the code in the archive bill of materials.
    CString sql;
    sql.Format("SELECT DISTINCT UpCode FROM VqkorvelAll_detail WHERE Dcode='%s' ORDER BY UpCode",
               SqlQuote(code));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString parent = VariantToString(rs->GetCollect(0L));
            if (!parent.IsEmpty())
                m_arrParentCodes.Add(parent);
            rs->MoveNext();
        }
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

int CPartBrowseRight::MatchAllowed() const {
    for (int i = 0; i < m_arrCollectedCodes.GetSize(); ++i)
        for (int j = 0; j < m_arrAllowedCodes.GetSize(); ++j)
            if (m_arrCollectedCodes[i].CompareNoCase(m_arrAllowedCodes[j]) == 0)
                return 1;
    return 0;
}
