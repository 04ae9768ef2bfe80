#include "changeorders/ECOModifyParts.h"

#include "core/VqDesignTaskApp.h"
#include "platform/db/Command.h"
#include "platform/db/SqlText.h"

bool ReplaceModifyParts(const CString& number, const std::vector<std::vector<_variant_t>>& parts) {
    if (!theApp.ExecuteSql("DELETE FROM ECOModifyPart WHERE ECONo='" + SqlQuote(number) + "'"))
        return false;
    if (parts.empty())
        return true;
    static const char* const kInsert =
        "INSERT INTO ECOModifyPart (PartCode, PartName, Result, Other1, Other2, "
        "Other3, ECONo) VALUES(?, ?, ?, ?, ?, ?, ?)";
    std::vector<std::vector<_variant_t>> rows;
    rows.reserve(parts.size());
    const _variant_t notice(number);
    for (const std::vector<_variant_t>& part : parts) {
        rows.push_back(part);
        rows.back().push_back(notice);
    }
    try {
        _CommandPtr insert;
        insert.CreateInstance();
        insert->PutActiveConnection(theApp.m_pConnPDM);
        insert->PutCommandText(kInsert);
        insert->PutCommandType(adCmdText);
        insert->PutPrepared(true);
        insert->ExecuteArray(rows);
        return true;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, kInsert);
        return false;
    }
}
