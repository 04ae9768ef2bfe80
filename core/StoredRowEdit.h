// CStoredRowEdit: one stored row that a form edits. When the form opens it keeps the row as
// stored and the form's values as the form shows them; on OK, inside the caller's transaction and
// after the row's lock, it reads the row again and writes only the fields whose form value differs
// from the form's value at open, so that a field the person left alone keeps what is stored (also
// a value the form cannot show, such as a combo's text outside its choices, and a value another
// client wrote meanwhile). When a field the person changed was changed by another client to
// another value, or the row is gone (or was deleted and made again under the same key: its
// identity columns differ), nothing is written and one box says so (once the transaction has
// ended).
//
//   OnInitDialog:   m_row.Open(FormFields());
//   OnOK:
//     CSqlTransaction transaction;
//     if (!transaction.IsActive() || !transaction.Lock(m_row.LockName()) ||
//         !m_row.StoreChanges(FormFields()) || !transaction.Commit())
//         return;                                  // the form stays open with the person's input
//
// Values are compared as text (VariantToString); every value written goes through SqlQuote.
#pragma once

#include "platform/base/String.h"

#include <utility>
#include <vector>

struct StoredField {
    CString column;      // the column of the stored row
    CString caption;     // what the form calls the field, for the message
    CString value;       // the form's value as text
    bool number = false; // an integer column: written without quotes
};

class CStoredRowEdit {
public:
    // The row: its table, its key as (column, value) pairs, and the columns that tell the row
    // from another one made under the same key after it was deleted (who made it and when, an
    // automatic number); none where the key alone names the row for its whole life.
    CStoredRowEdit(const CString& table, std::vector<std::pair<CString, CString>> key,
                   std::vector<CString> identity = {});

    // Reads and keeps the fields' columns as stored now, and the values of `fields` as what the
    // form showed of them when it opened: a field counts as the person's change when its value
    // differs from this one at the store. A value the form fills in itself and means to store
    // (a default for an empty column) is passed as stored, so that it counts as a change.
    // False when the row is not there or the read failed (shown).
    bool Open(const std::vector<StoredField>& fields);
    bool IsOpen() const { return m_open; }
    // The identity columns' values as read at Open (or as the last store left them).
    const std::vector<CString>& Identity() const { return m_identityValues; }

    // A lock named after the row (table and key), for rows whose other writers take no lock of
    // their own.
    CString LockName() const;

    // Inside the caller's transaction, after the row's lock: reads the row again and writes, in
    // one UPDATE, the fields whose form value differs from the form's value at Open (and from the
    // value stored now), with `stamps` (columns written whatever changed, e.g. a modification
    // time) when anything is written or `stampAlways`. False, nothing written, when the row is
    // gone or made anew, a changed field was changed by another client to another value (one box
    // names them), or a statement failed (shown). After a store the written values count as the
    // ones opened, so a second store writes nothing again.
    bool StoreChanges(const std::vector<StoredField>& fields, const std::vector<StoredField>& stamps = {},
                      bool stampAlways = false);

    // The first half of StoreChanges, for a caller that runs the statement itself: reads the row
    // again and gives the UPDATE (empty when there is nothing to write), or refuses as
    // StoreChanges does. Once the statement has run, Written(fields).
    bool PrepareUpdate(const std::vector<StoredField>& fields, const std::vector<StoredField>& stamps,
                       bool stampAlways, CString& statement);
    void Written(const std::vector<StoredField>& fields);
    // After PrepareUpdate, for a caller that writes the row in its own way (a row replaced
    // whole): each field's form value where the user changed it (since Open), else its value as
    // stored now.
    std::vector<CString> MergedValues(const std::vector<StoredField>& fields) const;

    // The rows a statement reads, every column as text, as one text: to tell whether the rows
    // that hang on a row (a list the form writes whole) changed. Empty after a failed read (shown).
    static CString RowsText(const CString& sql);
    // A text of rows in the form of RowsText (each cell followed by a tab, each row by a newline)
    // with its rows in a fixed order: to tell whether a list the form writes whole holds what is
    // stored now, whatever order either lists the rows in (another client may have stored the
    // person's very change).
    static CString SortedRows(const CString& rowsText);

    static CString ConflictMessage(const std::vector<CString>& captions);
    static CString DeletedMessage();

private:
    // The columns as stored now, in the order of `fields`, and the identity columns; false when
    // the row is gone (found false) or the read failed (shown).
    bool ReadStored(const std::vector<StoredField>& fields, std::vector<CString>& stored,
                    std::vector<CString>& identity, bool& found) const;
    CString KeyCondition() const;
    static CString Literal(const StoredField& field);

    CString m_table;
    std::vector<std::pair<CString, CString>> m_key;
    std::vector<CString> m_identity;       // columns that name the row beside its key
    std::vector<CString> m_identityValues; // ... as read at Open
    std::vector<CString> m_stored;         // the row as stored at Open (or as the last store left it)
    std::vector<CString> m_opened;         // the form's values at Open (or at the last store)
    std::vector<CString> m_now;            // the row as PrepareUpdate read it
    bool m_open = false;
};

// The first row a statement reads, every column as text (trimmed); `found` false without a row.
// False after a failed read (shown).
bool ReadFirstRowTexts(const CString& sql, std::vector<CString>& values, bool& found);
