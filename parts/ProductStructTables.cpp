#include "parts/ProductStructTables.h"

#include "core/ComError.h"

ProductTableNames GetProductTables(ProductFamily family) {
    switch (family) {
    case ProductFamily::Archive:
        return {"VqkorvelAll_title", "VqkorvelAll_detail"};
    case ProductFamily::Team:
        return {"VqkorvelTeam_title", "VqkorvelTeam_detail"};
    case ProductFamily::Task:
        return {"VqkorvelTask_title", "VqkorvelTask_detail"};
    case ProductFamily::Version:
        return {"VqkorvelVer_title", "VqkorvelVer_detail"};
    }
    return {"VqkorvelAll_title", "VqkorvelAll_detail"};
}

CString StructureDownStatement(ProductFamily family, const CString& upCode) {
    CString sql;
    if (family == ProductFamily::Team) {
        // Lines without a title row are kept (outer join): their name comes from the line itself.
        sql.Format(
            "SELECT d.UpCode, d.DCode, d.DItem, d.DRemark, t.TName, d.DName FROM (SELECT UpCode, DCode, "
            "DItem, DRemark, DName FROM VqkorvelTeam_detail START WITH UpCode='%s' CONNECT BY "
            "UpCode=Prior DCode) d, VqkorvelTeam_title t WHERE d.DCode=t.TCode(+) ORDER BY UpCode, DItem",
            SqlQuote(upCode));
    } else {
        ProductTableNames t = GetProductTables(family);
        sql.Format("SELECT d.UpCode, d.DCode, d.DItem, d.DRemark, t.TName FROM (SELECT UpCode, DCode, DItem, "
                   "DRemark FROM %s START WITH UpCode='%s' CONNECT BY UpCode=Prior DCode) d, %s t "
                   "WHERE d.DCode=t.TCode ORDER BY UpCode, DItem",
                   CString(t.detail), SqlQuote(upCode), CString(t.title));
    }
    return sql;
}

std::vector<ProductTreeLine> ReadStructureDown(const _ConnectionPtr& connection, int databaseType,
                                               ProductFamily family, const CString& upCode) {
    std::vector<ProductTreeLine> lines;
    _RecordsetPtr rs;
    bool teamProcedure = false;
    if (databaseType == 2 || (family != ProductFamily::Archive && family != ProductFamily::Team)) {
        rs.CreateInstance();
        rs->Open(StructureDownStatement(family, upCode), connection, adOpenForwardOnly, adLockReadOnly,
                 adCmdText);
    } else {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(connection);
        teamProcedure = family == ProductFamily::Team;
        cmd->PutCommandText(teamProcedure ? "ShowTeamStructTree" : "ShowPartTree");
        cmd->PutCommandType(adCmdStoredProc);
        cmd->GetParameters()->Append(
            cmd->CreateParameter("UpCode", adBSTR, adParamInput, 50, _variant_t(upCode)));
        rs = cmd->Execute(nullptr, nullptr, adCmdStoredProc);
    }
    while (!rs->IsEOF()) {
        ProductTreeLine line;
        line.upCode = VariantToString(rs->GetCollect(0L));
        line.code = VariantToString(rs->GetCollect(1L));
        line.item = atoi(VariantToString(rs->GetCollect(2L)));
        CString lineName;
        if (teamProcedure) {
            // UpCode, DCode, DItem, DName, TName, TOther4, Dremark
            lineName = VariantToString(rs->GetCollect(3L));
            line.name = VariantToString(rs->GetCollect(4L));
            line.remark = VariantToString(rs->GetCollect(6L));
        } else {
            line.remark = VariantToString(rs->GetCollect(3L));
            line.name = VariantToString(rs->GetCollect(4L));
            if (family == ProductFamily::Team)
                lineName = VariantToString(rs->GetCollect(5L));
        }
        if (line.name.IsEmpty())
            line.name = lineName;
        lines.push_back(line);
        rs->MoveNext();
    }
    rs->Close();
    return lines;
}

std::vector<ProductTreeLine> ReadStructureLines(const _ConnectionPtr& connection, int databaseType,
                                                ProductFamily family, const CString& upCode) {
    const vq::db::Engine engine = connection->GetEngine();
    if (family == ProductFamily::Team ||
        (engine != vq::db::Engine::SQLite && engine != vq::db::Engine::PostgreSQL))
        return ReadStructureDown(connection, databaseType, family, upCode);
    // The start code compares as the code columns do: without regard to case.
    CString start;
    if (engine == vq::db::Engine::SQLite)
        start.Format("'%s' COLLATE NOCASE", SqlQuote(upCode));
    else
        start.Format("CAST('%s' AS CITEXT)", SqlQuote(upCode));
    const ProductTableNames t = GetProductTables(family);
    CString sql;
    sql.Format(
        "WITH RECURSIVE vq_down(code) AS (SELECT %s UNION SELECT d.DCode FROM %s d JOIN vq_down ON "
        "d.UpCode = vq_down.code) "
        "SELECT d.UpCode, d.DCode, d.DItem, d.DRemark, t.TName FROM %s d, %s t "
        "WHERE d.UpCode IN (SELECT code FROM vq_down) AND d.DCode = t.TCode ORDER BY d.UpCode, d.DItem",
        start, CString(t.detail), CString(t.detail), CString(t.title));
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
    std::vector<ProductTreeLine> lines;
    while (!rs->IsEOF()) {
        ProductTreeLine line;
        line.upCode = VariantToString(rs->GetCollect(0L));
        line.code = VariantToString(rs->GetCollect(1L));
        line.item = atoi(VariantToString(rs->GetCollect(2L)));
        line.remark = VariantToString(rs->GetCollect(3L));
        line.name = VariantToString(rs->GetCollect(4L));
        lines.push_back(std::move(line));
        rs->MoveNext();
    }
    rs->Close();
    return lines;
}

std::vector<ProductTreeLine> ReadChildren(const _ConnectionPtr& connection, ProductFamily family,
                                          const CString& upCode, bool onlyWithTitle) {
    ProductTableNames t = GetProductTables(family);
    CString sql;
    sql.Format("SELECT DCode, DName FROM %s WHERE UpCode='%s'", CString(t.detail), SqlQuote(upCode));
    if (onlyWithTitle)
        sql.AppendFormat(" AND DCode IN (SELECT TCode FROM %s)", CString(t.title));
    sql += " ORDER BY DItem";
    std::vector<ProductTreeLine> lines;
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
    int position = 0;
    while (!rs->IsEOF()) {
        ProductTreeLine line;
        line.upCode = upCode;
        line.code = VariantToString(rs->GetCollect(0L));
        line.name = VariantToString(rs->GetCollect(1L));
        line.item = ++position;
        lines.push_back(line);
        rs->MoveNext();
    }
    rs->Close();
    return lines;
}
