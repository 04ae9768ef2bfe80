#include "changeorders/ECOChangeNotice.h"

#include "changeorders/ECOConfigure.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"

int CECOChangeNotice::StoreHeader() {
    CString sql;
    sql.Format("DELETE FROM ECOChangeManage WHERE ECONo='%s'", SqlQuote(m_strECONo));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format(
        "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, "
        "ProductCode, Department, Remark, AffectNo, AuditingType, AuditingModel, AuditorName) "
        "VALUES('%s','%s','%s','%s','%s','%s','%s','%s','%s','%s', '%s','%s','%s','%s')",
        SqlQuote(m_strECONo), SqlQuote(ECOLevelText(m_nLevel)), SqlQuote(m_strSaveUser),
        SqlQuote(m_strSaveDate), SqlQuote(m_strState), SqlQuote(m_strProductStyle),
        SqlQuote(m_strProductName), SqlQuote(m_strProductCode), SqlQuote(m_strDepartment),
        SqlQuote(m_strRemark), SqlQuote(m_strAffectNo), SqlQuote(AuditingTypeText(m_nReviewMode)),
        SqlQuote(m_strAuditingModel), SqlQuote(m_strAuditorName));
    return theApp.ExecuteSql(sql);
}

int CECOChangeNotice::StoreParts(const std::vector<ECOChangePartRow>& parts) {
    CString sql;
    sql.Format("DELETE FROM ECOChangePart WHERE ECONo='%s'", SqlQuote(m_strECONo));
    if (!theApp.ExecuteSql(sql))
        return 0;
    for (const ECOChangePartRow& part : parts) {
        sql.Format(
            "INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) "
            "VALUES('%s','%s','%s','%s','%s','%s')",
            SqlQuote(m_strECONo), SqlQuote(part.m_strPartCode), SqlQuote(part.m_strPartName),
            SqlQuote(part.m_strChangeLabel), SqlQuote(part.m_strChangePlace), SqlQuote(part.m_strChangeECO));
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    return 1;
}

bool CECOChangeNotice::LoadHeader() {
    CString sql;
    sql.Format(
        "SELECT ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, ProductCode, Department, "
        "Remark, AffectNo, AuditingType, AuditingModel, AuditorName FROM ECOChangeManage WHERE ECONo='%s'",
        SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        const bool found = !rs->IsEOF();
        if (found) {
            auto field = [&rs](long i) { return VariantToString(rs->GetCollect(i)); };
            m_nLevel = ECOLevelIndex(field(0));
            m_strSaveUser = field(1);
            m_strSaveDate = field(2);
            m_strState = field(3);
            m_strProductStyle = field(4);
            m_strProductName = field(5);
            m_strProductCode = field(6);
            m_strDepartment = field(7);
            m_strRemark = field(8);
            m_strAffectNo = field(9);
            m_nReviewMode = ReviewModeOfAuditingType(field(10));
            m_strAuditingModel = field(11);
            m_strAuditorName = field(12);
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
        return found;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
}

bool CECOChangeNotice::LoadParts(std::vector<ECOChangePartRow>& parts) {
    parts.clear();
    CString sql;
    sql.Format(
        "SELECT PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO FROM ECOChangePart WHERE ECONo='%s'",
        SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            ECOChangePartRow part;
            part.m_strPartCode = VariantToString(rs->GetCollect(0L));
            part.m_strPartName = VariantToString(rs->GetCollect(1L));
            part.m_strChangeLabel = VariantToString(rs->GetCollect(2L));
            part.m_strChangePlace = VariantToString(rs->GetCollect(3L));
            part.m_strChangeECO = VariantToString(rs->GetCollect(4L));
            parts.push_back(part);
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}
