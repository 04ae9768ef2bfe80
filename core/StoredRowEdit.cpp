#include "core/StoredRowEdit.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"

#include <algorithm>
#include <cstdlib>
#include <string>

CStoredRowEdit::CStoredRowEdit(const CString& table, std::vector<std::pair<CString, CString>> key,
                               std::vector<CString> identity)
    : m_table(table), m_key(std::move(key)), m_identity(std::move(identity)) {}

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
                                std::vector<CString>& identity, bool& found) const {
    CString columns;
    for (const StoredField& field : fields)
        columns += (columns.IsEmpty() ? "" : ", ") + field.column;
    for (const CString& column : m_identity)
        columns += (columns.IsEmpty() ? "" : ", ") + column;
    identity.clear();
    if (!ReadFirstRowTexts("SELECT " + columns + " FROM " + m_table + " WHERE " + KeyCondition(), stored,
                           found))
        return false;
    if (found && stored.size() == fields.size() + m_identity.size()) {
        identity.assign(stored.begin() + static_cast<std::ptrdiff_t>(fields.size()), stored.end());
        stored.resize(fields.size());
    }
    return true;
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
    m_open = ReadStored(fields, m_stored, m_identityValues, found) && found;
    m_opened.clear();
    for (const StoredField& field : fields)
        m_opened.push_back(field.value);
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

CString CStoredRowEdit::SortedRows(const CString& rowsText) {
    std::vector<std::string> rows;
    const std::string& text = rowsText.str();
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        rows.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    std::sort(rows.begin(), rows.end());
    std::string sorted;
    for (const std::string& row : rows)
        sorted += row + "\n";
    return CString(sorted.c_str());
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
    if (fields.size() != m_stored.size() || fields.size() != m_opened.size())
        return false;
    bool found = false;
    std::vector<CString> identity;
    if (!ReadStored(fields, m_now, identity, found))
        return false;
    // A row deleted and made again under the same key is another row: the person's edit was
    // of the one that is gone.
    if (!found || identity != m_identityValues) {
        ShowDbMessage(DeletedMessage());
        return false;
    }
    std::vector<CString> conflicts;
    CString assignments;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        // Left alone by the person (whatever the form can show of the stored value), or stored
        // so already (another client wrote the same value).
        if (fields[i].value == m_opened[i] || fields[i].value == m_now[i])
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
    for (std::size_t i = 0; i < fields.size() && i < m_now.size() && i < m_opened.size(); ++i)
        if (fields[i].value != m_opened[i])
            m_now[i] = fields[i].value;
    m_stored = m_now;
    m_opened.clear();
    for (const StoredField& field : fields)
        m_opened.push_back(field.value);
    // A written identity column names the row from now on.
    for (std::size_t i = 0; i < m_identity.size() && i < m_identityValues.size(); ++i)
        for (std::size_t j = 0; j < fields.size() && j < m_now.size(); ++j)
            if (fields[j].column.CompareNoCase(m_identity[i]) == 0)
                m_identityValues[i] = m_now[j];
    // A changed key column names the row from now on.
    for (auto& [column, value] : m_key)
        for (std::size_t j = 0; j < fields.size() && j < m_now.size(); ++j)
            if (fields[j].column.CompareNoCase(column) == 0)
                value = m_now[j];
}

std::vector<CString> CStoredRowEdit::MergedValues(const std::vector<StoredField>& fields) const {
    std::vector<CString> values;
    for (std::size_t i = 0; i < fields.size(); ++i)
        values.push_back(i < m_now.size() && i < m_opened.size() && fields[i].value == m_opened[i]
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
