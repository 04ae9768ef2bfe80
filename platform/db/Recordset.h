// _Recordset: the rows of one statement, with a current row.
//
// Every recordset reads its rows whole when it opens, so forward-only and static cursors behave
// alike except that GetRecordCount is -1 for a forward-only cursor. A recordset opened with
// adLockOptimistic (or pessimistic) on a statement over one table is updatable: change fields of
// the current row with PutCollect or Field::PutValue/AppendChunk, or start a new row with AddNew,
// then call Update (moving to another row saves pending changes too). The row to update is
// found by the table's key columns, or, when the driver knows none, by the values the row had
// when it was read (doubles and binary values left out); on SQLite and PostgreSQL exactly one row
// changes even when others have the same values. A row changed by someone else meanwhile is not
// found: Update then throws and writes nothing. After AddNew and Update, SQLite and PostgreSQL
// read the new row back (generated key, defaults).
#pragma once

#include "platform/db/Connection.h"

#include <vector>

class _Command;
using _CommandPtr = ComPtr<_Command>;
class _Recordset;

// One column of the current row.
class Field {
public:
    CString GetName() const;
    DataTypeEnum GetType() const;
    long GetDefinedSize() const;
    // Bytes of a byte array or of text, 0 for NULL.
    long GetActualSize() const;
    _variant_t GetValue() const;
    void PutValue(const _variant_t& value);
    // Reads the next 'size' bytes of a long value (a byte array for binary columns, text
    // otherwise); an empty value once everything was read.
    _variant_t GetChunk(long size);
    // The first call after the row was reached replaces the value, later calls add to it.
    void AppendChunk(const _variant_t& data);

private:
    friend class _Recordset;
    Field(_Recordset* owner, int index) : m_owner(owner), m_index(index) {}
    _Recordset* m_owner;
    int m_index;
};

// The columns of a recordset; a column is found by position or by name (any letter case).
class Fields {
public:
    long GetCount() const;
    Field* GetItem(const _variant_t& index) const;

private:
    friend class _Recordset;
    explicit Fields(_Recordset* owner) : m_owner(owner) {}
    _Recordset* m_owner;
};
using FieldPtr = Field*;
using FieldsPtr = Fields*;

class _Recordset {
public:
    _Recordset();
    ~_Recordset();
    _Recordset(const _Recordset&) = delete;
    _Recordset& operator=(const _Recordset&) = delete;

    // source: a statement, or a table name with adCmdTable.
    void Open(const CString& source, const _ConnectionPtr& connection, long cursorType = adOpenForwardOnly,
              long lockType = adLockReadOnly, long options = adCmdUnknown);
    // Opens its own connection with a connection text.
    void Open(const CString& source, const CString& connectionText, long cursorType = adOpenForwardOnly,
              long lockType = adLockReadOnly, long options = adCmdUnknown);
    // Runs a command (its text, type and parameters) on the command's connection.
    void Open(const _CommandPtr& command, long cursorType = adOpenForwardOnly, long lockType = adLockReadOnly,
              long options = adCmdUnknown);
    void Close();
    long GetState() const { return m_open ? adStateOpen : adStateClosed; }

    bool IsEOF() const;
    bool IsBOF() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // Number of rows; -1 for a forward-only cursor.
    long GetRecordCount() const;

    FieldsPtr GetFields() const;
    _variant_t GetCollect(const _variant_t& index) const;
    void PutCollect(const _variant_t& index, const _variant_t& value);

    void AddNew();
    void Update();
    void CancelUpdate();
    long GetEditMode() const { return m_editMode; }

    // Used by Command::Execute and Connection::Execute: takes rows already read.
    void Attach(const _ConnectionPtr& connection, vq::db::ResultData data, long cursorType);

private:
    friend class Field;
    friend class Fields;
    int ColumnIndex(const _variant_t& index) const;
    std::vector<_variant_t>& CurrentRow();
    const std::vector<_variant_t>& CurrentRow() const;
    void CheckOpen() const;
    void CheckUpdatable() const;
    void Load(const CString& text, long commandType, const std::vector<_variant_t>& parameters,
              long cursorType, long lockType);
    void ResetRowState();
    void SaveChanges();
    void RefreshInsertedRow();

    _ConnectionPtr m_connection;
    bool m_open = false;
    long m_cursorType = adOpenForwardOnly;
    long m_lockType = adLockReadOnly;
    CString m_table; // the table an updatable recordset writes to
    vq::db::ResultData m_data;
    long m_position = 0; // index of the current row; rows.size() at the end
    bool m_bof = false;

    // Editing state of the current row.
    long m_editMode = adEditNone;
    std::vector<_variant_t> m_original; // the row as read, for finding it again
    std::vector<bool> m_changed;
    std::vector<bool> m_chunkStarted;
    std::vector<std::size_t> m_chunkOffset;

    std::vector<std::unique_ptr<Field>> m_fieldObjects;
    std::unique_ptr<Fields> m_fields;
};
