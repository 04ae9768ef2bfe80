#include "core/StoredRowEdit.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"

#include <cstdlib>
#include <string>

CStoredRowEdit::CStoredRowEdit(const CString& table, std::vector<std::pair<CString, CString>> key)
    : m_table(table), m_key(std::move(key)) {}

CString CStoredRowEdit::KeyCondition() const {
    CString condition;
    for (const auto& [column, value] : m_key) {
        if (!condition.IsEmpty())
            condition += " AND ";
        condition += column + "='" + SqlQuote(value) + "'";
    }
    return condition;
}

CString CStoredRowEdit::LockName() const {
    CString name = m_table;
    const char* separator = ":";
    for (const auto& [column, value] : m_key) {
        name += separator + value;
        separator = "|";
    }
    name.MakeUpper();
    return name;
}

CString CStoredRowEdit::Literal(const StoredField& field) {
    if (field.number)
        return CString(std::to_string(std::atoll(field.value.c_str())).c_str());
    return "'" + SqlQuote(field.value) + "'";
}

bool CStoredRowEdit::ReadStored(const std::vector<StoredField>& fields, std::vector<CString>& stored,
                                bool& found) const {
    CString columns;
    for (const StoredField& field : fields)
        columns += (columns.IsEmpty() ? "" : ", ") + field.column;
    return ReadFirstRowTexts("SELECT " + columns + " FROM " + m_table + " WHERE " + KeyCondition(), stored,
                             found);
}

bool ReadFirstRowTexts(const CString& sql, std::vector<CString>& values, bool& found) {
    values.clear();
    found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        found = !rs->IsEOF();
        if (found)
            for (long i = 0; i < rs->GetFields()->GetCount(); ++i)
                values.push_back(VariantToString(rs->GetCollect(i)));
        rs->Close();
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
}

bool CStoredRowEdit::Open(const std::vector<StoredField>& fields) {
    bool found = false;
    m_open = ReadStored(fields, m_stored, found) && found;
    return m_open;
}

CString CStoredRowEdit::RowsText(const CString& sql) {
    CString text;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        const long columns = rs->GetFields()->GetCount();
        while (!rs->IsEOF()) {
            for (long i = 0; i < columns; ++i)
                text += VariantToString(rs->GetCollect(i)) + "\t";
            text += "\n";
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return CString();
    }
    return text;
}

CString CStoredRowEdit::ConflictMessage(const std::vector<CString>& captions) {
    CString names;
    for (const CString& caption : captions)
        names += (names.IsEmpty() ? "" : "、") + caption;
    CString text;
    text.Format("该记录已被其他用户修改（%s），本次修改未保存，请重新打开后再修改。", names);
    return text;
}

CString CStoredRowEdit::DeletedMessage() {
    return "该记录已被其他用户删除，本次修改未保存。";
}

bool CStoredRowEdit::PrepareUpdate(const std::vector<StoredField>& fields,
                                   const std::vector<StoredField>& stamps, bool stampAlways,
                                   CString& statement) {
    statement.Empty();
    if (!m_open) {
        // A row that was not there when the form opened is not there to write.
        ShowDbMessage(DeletedMessage());
        return false;
    }
    if (fields.size() != m_stored.size())
        return false;
    bool found = false;
    if (!ReadStored(fields, m_now, found))
        return false;
    if (!found) {
        ShowDbMessage(DeletedMessage());
        return false;
    }
    std::vector<CString> conflicts;
    CString assignments;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].value == m_stored[i])
            continue;
        if (m_now[i] != m_stored[i])
            conflicts.push_back(fields[i].caption);
        assignments += (assignments.IsEmpty() ? "" : ", ") + fields[i].column + "=" + Literal(fields[i]);
    }
    if (!conflicts.empty()) {
        ShowDbMessage(ConflictMessage(conflicts));
        return false;
    }
    if (!assignments.IsEmpty() || stampAlways)
        for (const StoredField& stamp : stamps)
            assignments += (assignments.IsEmpty() ? "" : ", ") + stamp.column + "=" + Literal(stamp);
    if (!assignments.IsEmpty())
        statement = "UPDATE " + m_table + " SET " + assignments + " WHERE " + KeyCondition();
    return true;
}

void CStoredRowEdit::Written(const std::vector<StoredField>& fields) {
    // What is stored now is what the next store of this form compares with.
    for (std::size_t i = 0; i < fields.size() && i < m_now.size(); ++i)
        if (fields[i].value != m_stored[i])
            m_now[i] = fields[i].value;
    m_stored = m_now;
    // A changed key column names the row from now on.
    for (auto& [column, value] : m_key)
        for (const StoredField& field : fields)
            if (field.column.CompareNoCase(column) == 0)
                value = field.value;
}

std::vector<CString> CStoredRowEdit::MergedValues(const std::vector<StoredField>& fields) const {
    std::vector<CString> values;
    for (std::size_t i = 0; i < fields.size(); ++i)
        values.push_back(i < m_now.size() && i < m_stored.size() && fields[i].value == m_stored[i]
                             ? m_now[i]
                             : fields[i].value);
    return values;
}

bool CStoredRowEdit::StoreChanges(const std::vector<StoredField>& fields,
                                  const std::vector<StoredField>& stamps, bool stampAlways) {
    CString statement;
    if (!PrepareUpdate(fields, stamps, stampAlways, statement))
        return false;
    if (!statement.IsEmpty() && !theApp.ExecuteSql(statement))
        return false;
    Written(fields);
    return true;
}
