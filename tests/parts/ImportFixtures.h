// Helpers of the product structure import tests: files as users write them, the remembered
// column matching, and the rows the import left in the database.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/TextCodec.h"
#include "tests/support/DbWorkspace.h"

#include <string>
#include <vector>

namespace importtest {

inline std::vector<std::string> Strings(const CStringArray& a) {
    std::vector<std::string> v;
    for (const CString& s : a)
        v.push_back(s.str());
    return v;
}

// The matching file as the matching dialog writes it: one attribute per column.
inline void RememberMatching(vqtest::Workspace& ws, std::initializer_list<const char*> attributes) {
    std::string text = "[配置属性]\r\n";
    for (const char* a : attributes)
        text += std::string(a) + "\r\n";
    text += "[结束]\r\n";
    ws.WriteFile("install/qent/spt/vqbomspt.ini", vq::Utf8ToGbk(text));
}

inline CString WriteGbk(vqtest::Workspace& ws, const CString& name, const std::string& utf8) {
    return ws.WriteFile(name, vq::Utf8ToGbk(utf8));
}

inline void AddProducts(const vqtest::DbWorkspace& ws) {
    ws.Execute(
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P-1000', "
        "'减速机', 'JX', 'ZQ-250');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('B-3000', "
        "'离心泵', 'BF', 'IS-80')");
}

// Rows of a statement, each as its columns joined by "|".
inline std::vector<std::string> Rows(const vqtest::DbWorkspace& ws, const CString& sql) {
    std::vector<std::string> rows;
    _ConnectionPtr conn = ws.Connect();
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
    while (!rs->IsEOF()) {
        std::string row;
        for (long i = 0; i < rs->GetFields()->GetCount(); ++i) {
            if (i)
                row += "|";
            _variant_t v = rs->GetCollect(i);
            row += v.IsNull() ? std::string("NULL") : CString(v).str();
        }
        rows.push_back(row);
        rs->MoveNext();
    }
    rs->Close();
    return rows;
}

// Inserts of the code "BAD" fail in the collaborative-design tables.
inline void RefuseBadCodes(const vqtest::DbWorkspace& ws) {
    _ConnectionPtr conn = ws.Connect();
    if (vqtest::DbWorkspace::OnPostgreSQL()) {
        // Rows already there are not checked (NOT VALID): only new rows with the code fail.
        conn->Execute(
            "ALTER TABLE VqkorvelTeam_detail ADD CONSTRAINT refuse_bad_detail CHECK (Dcode <> 'BAD') "
            "NOT VALID");
        conn->Execute("ALTER TABLE VqkorvelTeam_title ADD CONSTRAINT refuse_bad_title CHECK (TCode <> 'BAD') "
                      "NOT VALID");
        return;
    }
    conn->Execute(
        "CREATE TRIGGER refuse_bad_detail BEFORE INSERT ON VqkorvelTeam_detail WHEN NEW.Dcode='BAD' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    conn->Execute("CREATE TRIGGER refuse_bad_title BEFORE INSERT ON VqkorvelTeam_title WHEN NEW.TCode='BAD' "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END");
}

inline const char* const kCsvHeader =
    "\"父图号\",\"序号\",\"图号\",\"图名\",\"材料\",\"数量\",\"重量\",\"备注\",\"图幅\"\r\n";

} // namespace importtest
