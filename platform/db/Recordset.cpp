#include "platform/db/Recordset.h"

#include "platform/db/Command.h"

#include <algorithm>

namespace {

[[noreturn]] void NoCurrentRecord() {
    throw _com_error(adErrNoCurrentRecord,
                     "Either BOF or EOF is True, or the current record has been deleted. "
                     "Requested operation requires a current record.");
}

[[noreturn]] void ItemNotFound() {
    throw _com_error(
        adErrItemNotFound,
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

} // namespace

// ---------------------------------------------------------------- Field, Fields

CString Field::GetName() const {
    return m_owner->m_data.columns[static_cast<std::size_t>(m_index)].name;
}

DataTypeEnum Field::GetType() const {
    return m_owner->m_data.columns[static_cast<std::size_t>(m_index)].type;
}

long Field::GetDefinedSize() const {
    return m_owner->m_data.columns[static_cast<std::size_t>(m_index)].definedSize;
}

_variant_t Field::GetValue() const {
    return m_owner->CurrentRow()[static_cast<std::size_t>(m_index)];
}

long Field::GetActualSize() const {
    const _variant_t& v = m_owner->CurrentRow()[static_cast<std::size_t>(m_index)];
    if (v.IsNull() || v.IsEmpty())
        return 0;
    if (v.vt == VT_BINARY || v.vt == VT_BSTR)
        return static_cast<long>(v.Bytes().size());
    CString text;
    return v.TryGetString(text) ? text.GetLength() : 0;
}

void Field::PutValue(const _variant_t& value) {
    m_owner->PutCollect(_variant_t(m_index), value);
}

_variant_t Field::GetChunk(long size) {
    const _variant_t& v = m_owner->CurrentRow()[static_cast<std::size_t>(m_index)];
    if (v.IsNull())
        return _variant_t::Null();
    std::size_t& offset = m_owner->m_chunkOffset[static_cast<std::size_t>(m_index)];
    const std::vector<BYTE>& bytes = v.Bytes();
    std::size_t n =
        std::min(bytes.size() - std::min(offset, bytes.size()), static_cast<std::size_t>(std::max(0L, size)));
    std::vector<BYTE> piece(bytes.begin() + static_cast<long>(offset),
                            bytes.begin() + static_cast<long>(offset + n));
    offset += n;
    if (v.vt == VT_BSTR)
        return _variant_t(CString(std::string(piece.begin(), piece.end())));
    return _variant_t(std::move(piece));
}

void Field::AppendChunk(const _variant_t& data) {
    std::size_t i = static_cast<std::size_t>(m_index);
    std::vector<_variant_t>& row = m_owner->CurrentRow();
    m_owner->CheckUpdatable();
    std::vector<BYTE> bytes;
    if (m_owner->m_chunkStarted[i] && !row[i].IsNull() && !row[i].IsEmpty())
        bytes = row[i].Bytes();
    const std::vector<BYTE>& more = data.Bytes();
    bytes.insert(bytes.end(), more.begin(), more.end());
    bool text = m_owner->m_data.columns[i].type != adLongVarBinary &&
                m_owner->m_data.columns[i].type != adVarBinary && data.vt == VT_BSTR;
    row[i] =
        text ? _variant_t(CString(std::string(bytes.begin(), bytes.end()))) : _variant_t(std::move(bytes));
    m_owner->m_chunkStarted[i] = true;
    m_owner->m_changed[i] = true;
    if (m_owner->m_editMode == adEditNone)
        m_owner->m_editMode = adEditInProgress;
}

long Fields::GetCount() const {
    m_owner->CheckOpen();
    return static_cast<long>(m_owner->m_data.columns.size());
}

Field* Fields::GetItem(const _variant_t& index) const {
    return m_owner->m_fieldObjects[static_cast<std::size_t>(m_owner->ColumnIndex(index))].get();
}

// ---------------------------------------------------------------- _Recordset

_Recordset::_Recordset() : m_fields(new Fields(this)) {}

_Recordset::~_Recordset() = default;

void _Recordset::CheckOpen() const {
    if (!m_open)
        throw _com_error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
}

void _Recordset::CheckUpdatable() const {
    CheckOpen();
    if (m_lockType == adLockReadOnly || m_lockType == adLockUnspecified || m_table.IsEmpty())
        throw _com_error(adErrFeatureNotAvailable,
                         "Current Recordset does not support updating. This may be a "
                         "limitation of the provider, or of the selected locktype.");
}

void _Recordset::Open(const CString& source, const _ConnectionPtr& connection, long cursorType, long lockType,
                      long options) {
    if (m_open)
        throw _com_error(adErrObjectOpen, "Operation is not allowed when the object is open.");
    _Connection::CheckUsable(connection);
    m_connection = connection;
    long type = options & ~static_cast<long>(adExecuteNoRecords);
    if (options == adOptionUnspecified || type == 0)
        type = adCmdUnknown;
    CString text = source;
    if (type == adCmdTable || (type == adCmdUnknown && vq::db::IsSingleIdentifier(source.str()) &&
                               !vq::db::ProcedureStatement(source.str(), connection->GetEngine())))
        text = "SELECT * FROM " + source;
    Load(text, type == adCmdTable ? adCmdText : type, {}, cursorType, lockType);
}

void _Recordset::Open(const CString& source, const CString& connectionText, long cursorType, long lockType,
                      long options) {
    _ConnectionPtr connection;
    connection.CreateInstance();
    connection->Open(connectionText);
    Open(source, connection, cursorType, lockType, options);
}

void _Recordset::Open(const _CommandPtr& command, long cursorType, long lockType, long options) {
    if (m_open)
        throw _com_error(adErrObjectOpen, "Operation is not allowed when the object is open.");
    _ConnectionPtr connection = command->GetActiveConnection();
    _Connection::CheckUsable(connection);
    m_connection = connection;
    Load(command->GetCommandText(), command->EffectiveType(options), command->ParameterValues(), cursorType,
         lockType);
}

void _Recordset::Load(const CString& text, long commandType, const std::vector<_variant_t>& parameters,
                      long cursorType, long lockType) {
    vq::db::ResultData data = m_connection->Run(text, commandType, parameters);
    m_lockType = lockType;
    m_table.Empty();
    if (lockType != adLockReadOnly && lockType != adLockUnspecified)
        m_table = CString(vq::db::SingleTableOf(text.str()));
    Attach(m_connection, std::move(data), cursorType);
}

void _Recordset::Attach(const _ConnectionPtr& connection, vq::db::ResultData data, long cursorType) {
    m_connection = connection;
    m_data = std::move(data);
    m_cursorType = cursorType == adOpenUnspecified ? adOpenForwardOnly : cursorType;
    m_open = true;
    m_fieldObjects.clear();
    for (std::size_t i = 0; i < m_data.columns.size(); ++i)
        m_fieldObjects.emplace_back(new Field(this, static_cast<int>(i)));
    m_position = 0;
    m_bof = m_data.rows.empty();
    ResetRowState();
}

void _Recordset::Close() {
    CheckOpen();
    m_open = false;
    m_data = vq::db::ResultData();
    m_fieldObjects.clear();
    m_editMode = adEditNone;
    m_connection = nullptr;
}

void _Recordset::ResetRowState() {
    std::size_t n = m_data.columns.size();
    m_editMode = adEditNone;
    m_changed.assign(n, false);
    m_chunkStarted.assign(n, false);
    m_chunkOffset.assign(n, 0);
    if (m_position >= 0 && m_position < static_cast<long>(m_data.rows.size()))
        m_original = m_data.rows[static_cast<std::size_t>(m_position)];
    else
        m_original.clear();
}

bool _Recordset::IsEOF() const {
    CheckOpen();
    return m_data.rows.empty() || m_position >= static_cast<long>(m_data.rows.size());
}

bool _Recordset::IsBOF() const {
    CheckOpen();
    return m_data.rows.empty() || m_bof;
}

void _Recordset::SaveChanges() {
    if (m_editMode != adEditNone)
        Update();
}

void _Recordset::MoveFirst() {
    CheckOpen();
    SaveChanges();
    m_position = 0;
    m_bof = m_data.rows.empty();
    ResetRowState();
}

void _Recordset::MoveLast() {
    CheckOpen();
    SaveChanges();
    m_position = m_data.rows.empty() ? 0 : static_cast<long>(m_data.rows.size()) - 1;
    m_bof = m_data.rows.empty();
    ResetRowState();
}

void _Recordset::MoveNext() {
    if (IsEOF())
        NoCurrentRecord();
    SaveChanges();
    if (m_bof)
        m_bof = false;
    else
        ++m_position;
    ResetRowState();
}

void _Recordset::MovePrevious() {
    if (IsBOF())
        NoCurrentRecord();
    SaveChanges();
    if (m_position == 0)
        m_bof = true;
    else
        --m_position;
    ResetRowState();
}

long _Recordset::GetRecordCount() const {
    CheckOpen();
    if (m_cursorType == adOpenForwardOnly)
        return -1;
    return static_cast<long>(m_data.rows.size());
}

FieldsPtr _Recordset::GetFields() const {
    CheckOpen();
    return m_fields.get();
}

int _Recordset::ColumnIndex(const _variant_t& index) const {
    CheckOpen();
    int count = static_cast<int>(m_data.columns.size());
    if (index.vt == VT_BSTR) {
        CString name = index.ToString();
        for (int i = 0; i < count; ++i)
            if (m_data.columns[static_cast<std::size_t>(i)].name.CompareNoCase(name) == 0)
                return i;
        ItemNotFound();
    }
    if (index.vt == VT_I4 || index.vt == VT_I8 || index.vt == VT_R8) {
        long long i = index.ToInt64();
        if (i >= 0 && i < count)
            return static_cast<int>(i);
    }
    ItemNotFound();
}

std::vector<_variant_t>& _Recordset::CurrentRow() {
    if (IsEOF() || IsBOF())
        NoCurrentRecord();
    return m_data.rows[static_cast<std::size_t>(m_position)];
}

const std::vector<_variant_t>& _Recordset::CurrentRow() const {
    if (IsEOF() || IsBOF())
        NoCurrentRecord();
    return m_data.rows[static_cast<std::size_t>(m_position)];
}

_variant_t _Recordset::GetCollect(const _variant_t& index) const {
    int column = ColumnIndex(index);
    return CurrentRow()[static_cast<std::size_t>(column)];
}

void _Recordset::PutCollect(const _variant_t& index, const _variant_t& value) {
    int column = ColumnIndex(index);
    CheckUpdatable();
    CurrentRow()[static_cast<std::size_t>(column)] = value;
    m_changed[static_cast<std::size_t>(column)] = true;
    m_chunkStarted[static_cast<std::size_t>(column)] = false;
    if (m_editMode == adEditNone)
        m_editMode = adEditInProgress;
}

void _Recordset::AddNew() {
    CheckUpdatable();
    SaveChanges();
    m_data.rows.emplace_back(m_data.columns.size(), _variant_t::Null());
    m_position = static_cast<long>(m_data.rows.size()) - 1;
    m_bof = false;
    ResetRowState();
    m_editMode = adEditAdd;
}

void _Recordset::CancelUpdate() {
    CheckOpen();
    if (m_editMode == adEditAdd) {
        m_data.rows.pop_back();
        m_position = static_cast<long>(m_data.rows.size());
    } else if (m_editMode == adEditInProgress && !m_original.empty()) {
        m_data.rows[static_cast<std::size_t>(m_position)] = m_original;
    }
    ResetRowState();
}

void _Recordset::Update() {
    CheckUpdatable();
    if (m_editMode == adEditNone)
        return;
    std::vector<_variant_t>& row = CurrentRow();
    const auto& columns = m_data.columns;
    std::vector<_variant_t> parameters;
    CString sql;
    if (m_editMode == adEditAdd) {
        CString names, marks;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!m_changed[i])
                continue;
            names += (names.IsEmpty() ? "" : ", ") + columns[i].name;
            marks += marks.IsEmpty() ? "?" : ", ?";
            parameters.push_back(row[i]);
        }
        if (names.IsEmpty())
            sql = "INSERT INTO " + m_table + " DEFAULT VALUES";
        else
            sql = "INSERT INTO " + m_table + " (" + names + ") VALUES (" + marks + ")";
        if (m_connection->GetEngine() == vq::db::Engine::PostgreSQL) {
            // The new row as stored (defaults included) comes back with the insert.
            vq::db::ResultData stored = m_connection->Run(sql + " RETURNING *", adCmdText, parameters);
            if (stored.rows.size() == 1)
                for (std::size_t s = 0; s < stored.columns.size(); ++s)
                    for (std::size_t i = 0; i < columns.size(); ++i)
                        if (columns[i].name.CompareNoCase(stored.columns[s].name) == 0)
                            row[i] = stored.rows[0][s];
        } else {
            m_connection->Run(sql, adCmdText, parameters);
            RefreshInsertedRow();
        }
    } else {
        CString sets;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!m_changed[i])
                continue;
            sets += (sets.IsEmpty() ? "" : ", ") + columns[i].name + " = ?";
            parameters.push_back(row[i]);
        }
        if (sets.IsEmpty()) {
            ResetRowState();
            return;
        }
        // The row is found by its key, or by every value it had when it was read.
        std::vector<std::size_t> keyColumns;
        for (const CString& key : m_connection->PrimaryKeyColumns(m_table)) {
            auto it = std::find_if(columns.begin(), columns.end(), [&](const vq::db::ResultColumn& c) {
                return c.name.CompareNoCase(key) == 0;
            });
            if (it == columns.end()) {
                keyColumns.clear();
                break;
            }
            keyColumns.push_back(static_cast<std::size_t>(it - columns.begin()));
        }
        if (keyColumns.empty()) {
            // Without a key: the values as read, leaving out doubles (their text form may not
            // give back the stored number exactly) and long binary values, unless nothing else
            // is left.
            for (std::size_t i = 0; i < columns.size(); ++i) {
                DataTypeEnum t = columns[i].type;
                if (t != adDouble && t != adLongVarBinary && t != adVarBinary)
                    keyColumns.push_back(i);
            }
            if (keyColumns.empty())
                for (std::size_t i = 0; i < columns.size(); ++i)
                    keyColumns.push_back(i);
        }
        CString where;
        for (std::size_t i : keyColumns) {
            where += where.IsEmpty() ? "" : " AND ";
            if (m_original[i].IsNull()) {
                where += columns[i].name + " IS NULL";
            } else {
                where += columns[i].name + " = ?";
                parameters.push_back(m_original[i]);
            }
        }
        if (m_connection->GetEngine() == vq::db::Engine::SQLite) // one row even when it has twins
            sql = "UPDATE " + m_table + " SET " + sets + " WHERE rowid = (SELECT rowid FROM " + m_table +
                  " WHERE " + where + " LIMIT 1)";
        else if (m_connection->GetEngine() == vq::db::Engine::PostgreSQL) // its place in the table
            sql = "UPDATE " + m_table + " SET " + sets + " WHERE ctid = (SELECT ctid FROM " + m_table +
                  " WHERE " + where + " LIMIT 1)";
        else
            sql = "UPDATE " + m_table + " SET " + sets + " WHERE " + where;
        vq::db::ResultData result = m_connection->Run(sql, adCmdText, parameters);
        if (result.rowsAffected == 0) {
            row = m_original;
            ResetRowState();
            throw _com_error(E_FAIL,
                             "Row cannot be located for updating. Some values may have been changed since "
                             "it was last read.");
        }
    }
    ResetRowState();
}

void _Recordset::RefreshInsertedRow() {
    // On SQLite the new row is read back, so that the values the database gave it (a generated
    // key, defaults) are seen and the row can be updated again.
    if (m_connection->GetEngine() != vq::db::Engine::SQLite)
        return;
    CString columns;
    for (const vq::db::ResultColumn& c : m_data.columns)
        columns += (columns.IsEmpty() ? "" : ", ") + c.name;
    try {
        vq::db::ResultData fresh = m_connection->Run(
            "SELECT " + columns + " FROM " + m_table + " WHERE rowid = last_insert_rowid()", adCmdText, {});
        if (fresh.rows.size() == 1 && fresh.rows[0].size() == m_data.columns.size())
            CurrentRow() = std::move(fresh.rows[0]);
    } catch (const _com_error&) {
        // A column that is an expression cannot be read back; the row keeps the values set.
    }
}
