// Connections, recordsets, commands and values against the SQLite product database.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

class DbRecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ws.Execute("CREATE TABLE Docs (FileID VARCHAR(20) COLLATE NOCASE, DocSaved VARCHAR(1) COLLATE "
                   "NOCASE, Size INTEGER, "
                   "Ratio REAL, DocContent BLOB);"
                   "INSERT INTO Docs VALUES ('f1', 'N', 10, 1.5, NULL);"
                   "INSERT INTO Docs VALUES ('f2', 'N', 20, NULL, NULL);"
                   "INSERT INTO Docs VALUES ('f3', 'Y', 30, 2.25, NULL);");
        conn = ws.Connect();
    }
    _RecordsetPtr Open(const CString& sql, long cursor = adOpenStatic, long lock = adLockReadOnly) {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, cursor, lock, adCmdText);
        return rs;
    }
    long Count(const CString& where = "1=1") {
        return Open("SELECT count(*) FROM Docs WHERE " + where)->GetCollect(0L).ToLong();
    }
    vqtest::DbWorkspace ws;
    _ConnectionPtr conn;
};

TEST_F(DbRecordsetTest, FieldsByPositionAndByNameInAnyCase) {
    _RecordsetPtr rs = Open("SELECT FileID, Size, Ratio FROM Docs WHERE FileID='F1'");
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetFields()->GetCount(), 3);
    EXPECT_EQ(rs->GetFields()->GetItem(0L)->GetName(), "FileID");
    EXPECT_EQ(rs->GetCollect("fileid").ToString(), "f1");
    EXPECT_EQ(rs->GetCollect("SIZE").vt, VT_I4);
    EXPECT_EQ(rs->GetCollect(1L).ToLong(), 10);
    EXPECT_EQ(rs->GetFields()->GetItem("Ratio")->GetValue().ToDouble(), 1.5);
    try {
        rs->GetCollect("NoSuchColumn");
        ADD_FAILURE() << "an unknown column was found";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), adErrItemNotFound);
    }
    EXPECT_THROW(rs->GetCollect(3L), _com_error);
}

TEST_F(DbRecordsetTest, NullFieldIsNullNotEmptyText) {
    _RecordsetPtr rs = Open("SELECT Ratio FROM Docs WHERE FileID='f2'");
    EXPECT_TRUE(rs->GetCollect(0L).IsNull());
    CString text;
    EXPECT_FALSE(rs->GetCollect(0L).TryGetString(text));
    EXPECT_THROW(rs->GetCollect(0L).ToString(), _com_error);
    EXPECT_EQ(CString(_bstr_t(rs->GetCollect(0L))), "");
}

TEST_F(DbRecordsetTest, WalkingRowsAndTheEnds) {
    _RecordsetPtr rs = Open("SELECT FileID FROM Docs ORDER BY FileID");
    EXPECT_EQ(rs->GetRecordCount(), 3);
    std::vector<CString> seen;
    while (!rs->IsEOF()) {
        seen.push_back(rs->GetCollect(0L).ToString());
        rs->MoveNext();
    }
    EXPECT_EQ(seen, (std::vector<CString>{"f1", "f2", "f3"}));
    // At the end there is no current row, and moving on is an error, not a silent loop.
    EXPECT_THROW(rs->GetCollect(0L), _com_error);
    EXPECT_THROW(rs->MoveNext(), _com_error);
    rs->MoveLast();
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "f3");
    rs->MovePrevious();
    rs->MovePrevious();
    rs->MovePrevious();
    EXPECT_TRUE(rs->IsBOF());
    rs->MoveFirst();
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "f1");

    _RecordsetPtr empty = Open("SELECT FileID FROM Docs WHERE 1=0", adOpenForwardOnly);
    EXPECT_TRUE(empty->IsEOF());
    EXPECT_TRUE(empty->IsBOF());
    EXPECT_EQ(empty->GetRecordCount(), -1); // forward-only cursors do not count
    EXPECT_EQ(empty->GetFields()->GetCount(), 1);
}

TEST_F(DbRecordsetTest, ClosedOrEmptyObjectsThrowInsteadOfCrashing) {
    _RecordsetPtr rs = Open("SELECT FileID FROM Docs");
    rs->Close();
    EXPECT_THROW(rs->IsEOF(), _com_error);
    EXPECT_THROW(rs->Close(), _com_error);
    _RecordsetPtr none;
    try {
        none->MoveNext();
        ADD_FAILURE();
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    _RecordsetPtr again = Open("SELECT FileID FROM Docs");
    EXPECT_THROW(again->Open("SELECT 1", conn, adOpenStatic, adLockReadOnly, adCmdText), _com_error);
}

TEST_F(DbRecordsetTest, FailingStatementCarriesTheDatabasesDescription) {
    try {
        conn->Execute("SELECT * FROM NoSuchTable");
        ADD_FAILURE();
    } catch (const _com_error& e) {
        EXPECT_NE(e.Description().Find("NoSuchTable"), -1) << e.Description().c_str();
        EXPECT_TRUE(FAILED(e.Error()));
    }
}

TEST_F(DbRecordsetTest, ExecuteReportsAffectedRowsAndReturnsRows) {
    long affected = -1;
    conn->Execute("UPDATE Docs SET DocSaved='Y' WHERE DocSaved='n'", &affected, adCmdText);
    EXPECT_EQ(affected, 2);
    conn->Execute("DELETE FROM Docs WHERE FileID='none'", &affected, adCmdText);
    EXPECT_EQ(affected, 0);
    _RecordsetPtr rs = conn->Execute("SELECT count(*) FROM Docs WHERE DocSaved='Y'");
    EXPECT_EQ(rs->GetCollect(0L).ToLong(), 3);
}

TEST_F(DbRecordsetTest, QuotedValuesAreStoredUnchanged) {
    for (CString value : {"O'Brien", "a''b", "'; DROP TABLE Docs; --", "C:\\dir\\", "张'三"}) {
        CString sql;
        sql.Format("INSERT INTO Docs (FileID) VALUES ('%s')", SqlQuote(value));
        conn->Execute(sql);
        sql.Format("SELECT FileID FROM Docs WHERE FileID='%s'", SqlQuote(value));
        _RecordsetPtr rs = Open(sql);
        ASSERT_FALSE(rs->IsEOF()) << value.c_str();
        EXPECT_EQ(rs->GetCollect(0L).ToString(), value);
    }
    EXPECT_EQ(Count(), 8);
}

TEST_F(DbRecordsetTest, LikePatternsEscapeLiteralTextAndKeepBackslashesPlain) {
    conn->Execute("INSERT INTO Docs (FileID) VALUES ('50%_off')");
    conn->Execute("INSERT INTO Docs (FileID) VALUES ('50xyoff')");
    conn->Execute("INSERT INTO Docs (FileID) VALUES ('a\\b\\c')");
    CString sql;
    sql.Format("FileID LIKE '%s%%'%s", SqlLikeLiteral("50%_"), kSqlLikeEscape);
    EXPECT_EQ(Count(sql), 1);
    sql.Format("FileID LIKE '%s'%s", SqlLikeLiteral("a\\b\\c"), kSqlLikeEscape);
    EXPECT_EQ(Count(sql), 1);
    // The user's own wildcard is kept, other pattern characters are literal.
    sql.Format("FileID LIKE '%s'%s", SqlLikeWildcard("50*OFF"), kSqlLikeEscape);
    EXPECT_EQ(Count(sql), 2);
    sql.Format("FileID LIKE '%s'%s", SqlLikeWildcard("F_"), kSqlLikeEscape);
    EXPECT_EQ(Count(sql), 0);
    // Without ESCAPE a backslash is an ordinary character, and case does not matter.
    EXPECT_EQ(Count("FileID LIKE 'A\\B\\%'"), 1);
}

TEST_F(DbRecordsetTest, TransactionsRollBackAndCommit) {
    conn->BeginTrans();
    conn->Execute("DELETE FROM Docs");
    EXPECT_EQ(Count(), 0);
    conn->RollbackTrans();
    EXPECT_EQ(Count(), 3);

    conn->BeginTrans();
    conn->Execute("DELETE FROM Docs WHERE FileID='f1'");
    conn->CommitTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Docs"), "2");

    // A connection closed inside a transaction does not keep its changes.
    conn->BeginTrans();
    conn->Execute("DELETE FROM Docs");
    conn->Close();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Docs"), "2");
    EXPECT_THROW(conn->CommitTrans(), _com_error);
}

// What is to be said about a failure inside a transaction waits for its end, however it ends,
// and is said once, in order; outside a transaction it is said at once.
TEST_F(DbRecordsetTest, ReportsKeptDuringATransactionRunOnceItHasEnded) {
    std::vector<std::string> said;
    auto report = [&](const char* text) { return [&said, text] { said.push_back(text); }; };
    conn->AfterTransaction(report("now"));
    EXPECT_EQ(said, std::vector<std::string>{"now"});

    for (const char* end : {"commit", "rollback", "close"}) {
        said.clear();
        conn->BeginTrans();
        conn->Execute("DELETE FROM Docs WHERE FileID='f3'");
        conn->AfterTransaction(report("first"));
        conn->AfterTransaction(report("second"));
        EXPECT_TRUE(said.empty()) << end;
        if (std::string(end) == "commit")
            conn->CommitTrans();
        else if (std::string(end) == "rollback")
            conn->RollbackTrans();
        else
            conn->Close();
        EXPECT_EQ(said, (std::vector<std::string>{"first", "second"})) << end;
        // Each is said once: the next transaction starts with none kept.
        if (conn->GetState() == adStateOpen) {
            conn->BeginTrans();
            conn->RollbackTrans();
        }
        EXPECT_EQ(said.size(), 2u) << end;
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Docs"), "2");
}

TEST_F(DbRecordsetTest, UpdatableRecordsetChangesOnlyTheCurrentRow) {
    ws.Execute("INSERT INTO Docs VALUES ('f1', 'N', 10, 1.5, NULL)"); // a twin of f1 differing in nothing
    _RecordsetPtr rs = Open("SELECT * FROM Docs WHERE FileID='f2'", adOpenKeyset, adLockOptimistic);
    rs->PutCollect("DocSaved", _variant_t("Y"));
    rs->PutCollect("Ratio", _variant_t(3.5));
    rs->Update();
    EXPECT_EQ(ws.QueryText("SELECT DocSaved || '/' || Ratio FROM Docs WHERE FileID='f2'"), "Y/3.5");
    EXPECT_EQ(Count("DocSaved='Y'"), 2);

    rs->AddNew();
    rs->PutCollect("FileID", _variant_t("f9"));
    rs->PutCollect("Size", _variant_t(99));
    rs->Update();
    EXPECT_EQ(ws.QueryText("SELECT Size FROM Docs WHERE FileID='f9'"), "99");
    EXPECT_EQ(rs->GetCollect("FileID").ToString(), "f9");

    // Of two rows that are alike in every value only the one the recordset stands on changes.
    _RecordsetPtr twins = Open("SELECT * FROM Docs WHERE FileID='f1'", adOpenKeyset, adLockOptimistic);
    twins->PutCollect("Size", _variant_t(11));
    twins->Update();
    EXPECT_EQ(
        ws.QueryText("SELECT group_concat(Size, ',') FROM (SELECT Size FROM Docs WHERE FileID='f1' ORDER BY "
                     "Size)"),
        "10,11");

    _RecordsetPtr readOnly = Open("SELECT * FROM Docs");
    EXPECT_THROW(readOnly->PutCollect("Size", _variant_t(1)), _com_error);
}

TEST_F(DbRecordsetTest, PendingChangeIsSavedWhenMovingOnAndDroppedByCancel) {
    _RecordsetPtr rs = Open("SELECT FileID, Size FROM Docs ORDER BY FileID", adOpenKeyset, adLockOptimistic);
    rs->PutCollect("Size", _variant_t(15));
    rs->MoveNext();
    rs->PutCollect("Size", _variant_t(25));
    rs->CancelUpdate();
    EXPECT_EQ(rs->GetCollect("Size").ToLong(), 20);
    EXPECT_EQ(ws.QueryText("SELECT group_concat(Size, ',') FROM (SELECT Size FROM Docs ORDER BY FileID)"),
              "15,20,30");
}

TEST_F(DbRecordsetTest, UpdateOfARowChangedMeanwhileFailsAndWritesNothing) {
    _RecordsetPtr rs =
        Open("SELECT FileID, Size FROM Docs WHERE FileID='f3'", adOpenKeyset, adLockOptimistic);
    ws.Execute("UPDATE Docs SET Size=31 WHERE FileID='f3'");
    rs->PutCollect("Size", _variant_t(40));
    EXPECT_THROW(rs->Update(), _com_error);
    EXPECT_EQ(ws.QueryText("SELECT Size FROM Docs WHERE FileID='f3'"), "31");
}

TEST_F(DbRecordsetTest, UpdateFindsTheRowByItsKey) {
    ws.Execute("CREATE TABLE Keyed (ID INTEGER PRIMARY KEY, Name VARCHAR(20));"
               "INSERT INTO Keyed VALUES (1, 'one'); INSERT INTO Keyed VALUES (2, 'two');");
    _RecordsetPtr rs = Open("SELECT Name, ID FROM Keyed WHERE ID=2", adOpenKeyset, adLockOptimistic);
    ws.Execute("UPDATE Keyed SET Name='TWO' WHERE ID=2"); // another column changed: the key still finds it
    rs->PutCollect("Name", _variant_t("zwei"));
    rs->Update();
    EXPECT_EQ(ws.QueryText("SELECT group_concat(Name, ',') FROM (SELECT Name FROM Keyed ORDER BY ID)"),
              "one,zwei");

    // A new row gets its generated key and can be changed again through the same recordset.
    rs->AddNew();
    rs->PutCollect("Name", _variant_t("three"));
    rs->Update();
    EXPECT_EQ(rs->GetCollect(1).ToLong(), 3);
    rs->PutCollect("Name", _variant_t("drei"));
    rs->Update();
    EXPECT_EQ(ws.QueryText("SELECT Name FROM Keyed WHERE ID=3"), "drei");
}

TEST_F(DbRecordsetTest, BlobOfSeveralMegabytesRoundTripsInChunks) {
    std::vector<BYTE> data(5 * 1024 * 1024 + 123);
    std::mt19937 random(7);
    for (BYTE& b : data)
        b = static_cast<BYTE>(random());
    data[0] = 0; // zero bytes must not end anything
    data[1000] = 0;

    _RecordsetPtr rs = Open("SELECT FileID, DocSaved, DocContent FROM Docs WHERE FileID='f1'", adOpenKeyset,
                            adLockOptimistic);
    Field* content = rs->GetFields()->GetItem("DocContent");
    content->AppendChunk(_variant_t(std::vector<BYTE>(3, 0xEE))); // cancelled: leaves nothing behind
    rs->CancelUpdate();
    const std::size_t piece = 1024 * 1024;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        std::size_t n = std::min(piece, data.size() - at);
        content->AppendChunk(_variant_t(data.data() + at, n));
    }
    rs->PutCollect("DocSaved", _variant_t("Y"));
    rs->Update();
    rs->Close();

    _RecordsetPtr back = Open("SELECT DocContent FROM Docs WHERE FileID='f1'", adOpenForwardOnly);
    Field* field = back->GetFields()->GetItem(0L);
    EXPECT_EQ(field->GetActualSize(), static_cast<long>(data.size()));
    std::vector<BYTE> read;
    for (;;) {
        _variant_t chunk = field->GetChunk(700 * 1024);
        if (chunk.IsNull() || chunk.Bytes().empty())
            break;
        read.insert(read.end(), chunk.Bytes().begin(), chunk.Bytes().end());
    }
    EXPECT_EQ(read.size(), data.size());
    EXPECT_TRUE(read == data);
}

TEST_F(DbRecordsetTest, CommandBindsParametersInOrder) {
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(conn);
    cmd->PutCommandText("SELECT FileID FROM Docs WHERE Size > ? AND DocSaved = ? ORDER BY FileID");
    cmd->PutCommandType(adCmdText);
    cmd->GetParameters()->Append(cmd->CreateParameter("min", adInteger, adParamInput, 4, _variant_t(10)));
    cmd->GetParameters()->Append(cmd->CreateParameter("saved", adVarChar, adParamInput, 1, _variant_t("n")));
    _RecordsetPtr rs = cmd->Execute(nullptr, nullptr, adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "f2");
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(cmd->GetParameters()->GetItem("SAVED")->GetValue().ToString(), "n");
}

TEST_F(DbRecordsetTest, AccessTextOpensTheLocalSqliteFile) {
    ws.SetConfig({"pdm", "secret", "ftp.example", "fu", "fp"});
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open("SELECT PdmUser,Password FROM Config",
             "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + ws.ConfigDatabasePath() +
                 ";UID=sa;PWD=tbq472830615",
             adOpenForwardOnly, adLockReadOnly, adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "pdm");
    EXPECT_EQ(rs->GetCollect(1L).ToString(), "secret");
}

TEST_F(DbRecordsetTest, AccessTextOnAFileThatIsNoSqliteDatabaseFails) {
    CString path = ws.WriteFile("system/other.mdb", std::string(4096, '\x01'));
    _ConnectionPtr c;
    c.CreateInstance();
    EXPECT_THROW(c->Open("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + path), _com_error);
    EXPECT_EQ(c->GetState(), adStateClosed);
}

TEST_F(DbRecordsetTest, UnknownDataSourceFailsWithADescription) {
    _ConnectionPtr c;
    c.CreateInstance();
    try {
        c->Open("DSN=no_such_source; UID=sa; PWD=");
        ADD_FAILURE();
    } catch (const _com_error& e) {
        EXPECT_FALSE(e.Description().IsEmpty());
    }
}

TEST(DbValueTest, ConversionsBetweenTextAndNumbers) {
    EXPECT_EQ(_variant_t(" 42 ").ToLong(), 42);
    EXPECT_EQ(_variant_t("2.5").ToDouble(), 2.5);
    EXPECT_EQ(_variant_t(2.0).ToString(), "2");
    EXPECT_EQ(_variant_t(0.1).ToString(), "0.1");
    EXPECT_EQ(_variant_t(5000000000LL).vt, VT_I8);
    EXPECT_EQ(_variant_t(5000000000LL).ToString(), "5000000000");
    EXPECT_THROW(_variant_t("12abc").ToLong(), _com_error);
    EXPECT_THROW(_variant_t::Null().ToDouble(), _com_error);
    _variant_t v(7);
    v.ChangeType(VT_BSTR);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(v.ToString(), "7");
}

TEST(DbErrorTest, ErrorMessageByCode) {
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040205u)).ErrorMessage(), "IDispatch error #5");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80041234u)).ErrorMessage(), "IDispatch error #4148");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040200u)).ErrorMessage(), "Unknown error 0x80040200");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80050000u)).ErrorMessage(), "Unknown error 0x80050000");
    EXPECT_EQ(_com_error(E_FAIL).ErrorMessage(), "Unspecified error");
}

} // namespace
