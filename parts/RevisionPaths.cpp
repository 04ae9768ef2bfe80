#include "parts/RevisionPaths.h"

#include "core/ComError.h"

void ReadRevisionPaths(const _ConnectionPtr& connection, int adoCloseMode, const CString& sql,
                       CStringArray& paths, CStringArray& numbers) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            paths.Add(VariantToString(rs->GetCollect(0L)));
            numbers.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (adoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

CString PartRevisionPathsSql(const CString& partCode) {
    CString sql;
    sql.Format(
        "SELECT DISTINCT RevPath,RevNumber FROM PartRevManage WHERE PartCode='%s' ORDER BY RevPath,RevNumber",
        SqlQuote(partCode));
    return sql;
}
