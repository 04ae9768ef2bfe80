// Prepared commands with bound values: single runs and batches of value sets (parameter arrays),
// in both dialects, on SQLite and (in the PostgreSQL run) on the server.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using Row = std::vector<_variant_t>;

class DbPreparedCommandTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("CREATE TABLE Items (Code VARCHAR(40) COLLATE NOCASE NOT NULL, Name VARCHAR(255) COLLATE "
                   "NOCASE, Qty INTEGER, Weight REAL, Content BLOB, Stamp VARCHAR(30) COLLATE NOCASE);"
                   "CREATE UNIQUE INDEX IX_Items_Code ON Items (Code)");
        conn = ws.Connect();
    }
    _CommandPtr Command(const CString& text) {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(conn);
        cmd->PutCommandText(text);
        cmd->PutPrepared(true);
        return cmd;
    }
    // Every row as read back, ordered by code.
    std::vector<Row> ReadAll() {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT Code, Name, Qty, Weight, Content FROM Items ORDER BY Code", conn, adOpenForwardOnly,
                 adLockReadOnly, adCmdText);
        std::vector<Row> rows;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            Row row;
            for (long c = 0; c < 5; ++c)
                row.push_back(rs->GetCollect(c));
            rows.push_back(row);
        }
        return rows;
    }
    static std::vector<BYTE> Bytes(std::size_t size, unsigned seed) {
        std::vector<BYTE> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<BYTE>((i * 131 + seed) % 256); // zero bytes included
        return bytes;
    }
    // Name, Qty, Weight and Stamp of every row, by its code.
    std::map<std::string, Row> ReadByCode() {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT Code, Name, Qty, Weight, Stamp FROM Items ORDER BY Code", conn, adOpenForwardOnly,
                 adLockReadOnly, adCmdText);
        std::map<std::string, Row> got;
        for (; !rs->IsEOF(); rs->MoveNext())
            got[rs->GetCollect(0L).ToString().str()] = {rs->GetCollect(1L), rs->GetCollect(2L),
                                                        rs->GetCollect(3L), rs->GetCollect(4L)};
        return got;
    }
    // A row stored by a batch holds what the same values stored alone hold.
    static void ExpectStoredAlike(const Row& batch, const Row& alone) {
        for (std::size_t c = 0; c < batch.size(); ++c) {
            SCOPED_TRACE(c);
            ASSERT_EQ(batch[c].IsNull(), alone[c].IsNull());
            if (!batch[c].IsNull()) {
                EXPECT_EQ(batch[c].ToString(), alone[c].ToString());
            }
        }
    }
    // Longer than a first read piece, with characters across every piece boundary.
    static CString LongText() {
        std::string text;
        for (int i = 0; i < 3001; ++i)
            text += i % 3 ? "轴" : "'";
        return CString(text);
    }
    // The rows of a table as read back, each as its columns joined by "|", in order.
    std::vector<std::string> Rows(const CString& sql) {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        std::vector<std::string> rows;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            std::string row;
            for (long c = 0; c < rs->GetFields()->GetCount(); ++c)
                row += (c ? "|" : "") + (rs->GetCollect(c).IsNull() ? std::string("NULL")
                                                                    : rs->GetCollect(c).ToString().str());
            rows.push_back(row);
        }
        return rows;
    }
    // Runs a delete "DELETE FROM %s WHERE ..." on KeysAlone set by set and on KeysBatch as one
    // batch, and expects the same rows to stay in both; returns them.
    std::vector<std::string> DeleteAloneAndInBatch(const char* where, const std::vector<Row>& keys) {
        _CommandPtr alone = Command(CString("DELETE FROM KeysAlone WHERE ") + where);
        for (const Row& set : keys)
            alone->ExecuteArray({set});
        Command(CString("DELETE FROM KeysBatch WHERE ") + where)->ExecuteArray(keys);
        const std::vector<std::string> stay =
            Rows("SELECT Code, Part, Name, Qty FROM KeysAlone ORDER BY Qty");
        EXPECT_EQ(Rows("SELECT Code, Part, Name, Qty FROM KeysBatch ORDER BY Qty"), stay) << where;
        return stay;
    }
    static const char* kInsert;
    vqtest::DbWorkspace ws{GetParam()};
    _ConnectionPtr conn;
};

const char* DbPreparedCommandTest::kInsert =
    "INSERT INTO Items (Code, Name, Qty, Weight, Content) VALUES (?, ?, ?, ?, ?)";

// Values that break SQL text, NULLs, Chinese text and bytes come back exactly, whether stored
// singly or as one batch.
TEST_P(DbPreparedCommandTest, ValuesRoundTripSinglyAndInBatches) {
    const std::vector<Row> rows = {
        {"A'1", "it's \"quoted\"; DROP TABLE Items; --", 1, 0.25, _variant_t(Bytes(300, 1))},
        {"A2", _variant_t::Null(), _variant_t::Null(), _variant_t::Null(), _variant_t::Null()},
        {"A3", "齿轮箱体（左）\\ 100%_", 3, 1e-3, _variant_t(std::vector<BYTE>{})},
        {"A4", "", 2000000000LL, -7.5, _variant_t(Bytes(70000, 9))},
        {"A5", LongText(), 5, 0.5, _variant_t::Null()},
    };
    _CommandPtr single = Command(kInsert);
    for (std::size_t i = 0; i < 2; ++i) {
        for (long p = 0; p < 5; ++p)
            single->GetParameters()->Append(single->CreateParameter("", adBSTR, adParamInput, 0, rows[i][p]));
        single->Execute(nullptr, nullptr, adCmdText);
        for (long p = 4; p >= 0; --p)
            single->GetParameters()->Delete(p);
    }
    Command(kInsert)->ExecuteArray({rows[2], rows[3], rows[4]});

    const std::vector<Row> got = ReadAll();
    ASSERT_EQ(got.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(got[r][0].ToString(), rows[r][0].ToString());
        for (std::size_t c = 1; c < 5; ++c) {
            SCOPED_TRACE(c);
            if (rows[r][c].IsNull()) {
                EXPECT_TRUE(got[r][c].IsNull());
            } else if (rows[r][c].IsBinary()) {
                ASSERT_FALSE(got[r][c].IsNull());
                EXPECT_EQ(got[r][c].Bytes(), rows[r][c].Bytes());
            } else if (rows[r][c].vt == VT_R8) {
                EXPECT_DOUBLE_EQ(got[r][c].ToDouble(), rows[r][c].ToDouble());
            } else {
                EXPECT_EQ(got[r][c].ToString(), rows[r][c].ToString());
            }
        }
    }
}

// One prepared statement runs again with new values; a select gives its rows each time, and a
// bound text compares without regard to case as a literal does.
TEST_P(DbPreparedCommandTest, PreparedSelectRunsAgainWithNewValues) {
    Command(kInsert)->ExecuteArray({{"P-1", "甲", 1, 1.0, _variant_t::Null()},
                                    {"P-2", "乙", 2, 2.0, _variant_t::Null()},
                                    {"Q-3", "丙", 3, 3.0, _variant_t::Null()}});
    _CommandPtr select = Command("SELECT Name, Qty FROM Items WHERE Code LIKE ? ORDER BY Code");
    select->GetParameters()->Append(select->CreateParameter("Code", adBSTR, adParamInput, 40, "p-%"));
    _RecordsetPtr rs = select->Execute();
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect("Name").ToString(), "甲");
    rs->MoveNext();
    EXPECT_EQ(rs->GetCollect("Qty").ToLong(), 2);
    select->GetParameters()->GetItem("code")->PutValue("q-3");
    rs = select->Execute();
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(0L).ToString(), "丙");
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
}

// The text is translated for the engine before it is prepared: server clock, DUAL and the
// Oracle outer join work in a prepared command as in a plain one.
TEST_P(DbPreparedCommandTest, DialectIsTranslatedBeforePreparing) {
    _CommandPtr stamp = Command("INSERT INTO Items (Code, Stamp) VALUES (?, getdate())");
    stamp->ExecuteArray({{"S1"}, {"S2"}});
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items WHERE Stamp LIKE '2%'"), "2");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items WHERE Stamp LIKE '____-__-__ __:__:__'"), "2");

    ws.Execute("CREATE TABLE Notes (Code VARCHAR(40) COLLATE NOCASE, Note VARCHAR(40) COLLATE NOCASE);"
               "INSERT INTO Notes VALUES ('s1', 'first')");
    _CommandPtr join = Command("SELECT i.Code, n.Note FROM Items i, Notes n WHERE i.Code = n.Code(+) AND "
                               "i.Code <> ? ORDER BY i.Code");
    join->GetParameters()->Append(join->CreateParameter("", adBSTR, adParamInput, 40, "none"));
    _RecordsetPtr rs = join->Execute();
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(1L).ToString(), "first");
    rs->MoveNext();
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_TRUE(rs->GetCollect(1L).IsNull());
    EXPECT_EQ(CString(_bstr_t(rs->GetCollect(1L))), "");
}

// A set that fails stops the batch with the database's error; inside a transaction nothing of
// the batch stays.
TEST_P(DbPreparedCommandTest, FailingSetThrowsAndRollsBackWithItsTransaction) {
    Command(kInsert)->ExecuteArray({{"K1", "old", 1, 1.0, _variant_t::Null()}});
    conn->BeginTrans();
    try {
        Command(kInsert)->ExecuteArray({{"K2", "new", 2, 2.0, _variant_t::Null()},
                                        {"K1", "duplicate", 3, 3.0, _variant_t::Null()},
                                        {"K3", "new", 4, 4.0, _variant_t::Null()}});
        ADD_FAILURE() << "a duplicate key was accepted";
    } catch (const _com_error& e) {
        EXPECT_FALSE(e.Description().IsEmpty());
    }
    conn->RollbackTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "1");
    EXPECT_EQ(ws.QueryText("SELECT Name FROM Items WHERE Code='K1'"), "old");
    // A NULL where the column refuses one fails as well.
    EXPECT_THROW(Command(kInsert)->ExecuteArray({{"K4", "x", 1, 1.0, _variant_t::Null()},
                                                 {_variant_t::Null(), "y", 2, 2.0, _variant_t::Null()}}),
                 _com_error);
}

// Sets whose values differ in kind still run: numbers beside text go as text, whole numbers
// beside reals as reals, bytes one set at a time; a batch larger than the bound buffers allow
// is split.
TEST_P(DbPreparedCommandTest, MixedKindsAndLargeBatches) {
    Command(kInsert)->ExecuteArray({{"M1", 12, 1, 2, _variant_t(Bytes(10, 3))},
                                    {"M2", "text", 2, 3, _variant_t::Null()},
                                    {"M3", _variant_t::Null(), "7", 1.5, _variant_t::Null()}});
    EXPECT_EQ(ws.QueryText("SELECT Name FROM Items WHERE Code='M1'"), "12");
    EXPECT_EQ(ws.QueryText("SELECT Qty FROM Items WHERE Code='M3'"), "7");
    EXPECT_DOUBLE_EQ(std::atof(ws.QueryText("SELECT Weight FROM Items WHERE Code='M3'")), 1.5);

    std::vector<Row> big;
    for (int i = 0; i < 5; ++i)
        big.push_back({CString("B") + CString(std::to_string(i)), "大", i, 0.5,
                       _variant_t(Bytes(3u << 20, static_cast<unsigned>(i)))});
    for (int i = 0; i < 3000; ++i)
        big.push_back({CString("C") + CString(std::to_string(i)), "小", i, 0.5, _variant_t::Null()});
    Command(kInsert)->ExecuteArray(big);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items WHERE Code LIKE 'B%' OR Code LIKE 'C%'"), "3005");
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open("SELECT Content FROM Items WHERE Code='B4'", conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetCollect(0L).Bytes(), Bytes(3u << 20, 4));
}

// A command whose connection was closed fails with an error instead of using freed handles;
// after the connection opens again the command prepares anew.
TEST_P(DbPreparedCommandTest, ClosedConnectionFailsCleanly) {
    _CommandPtr insert = Command(kInsert);
    insert->ExecuteArray({{"X1", "a", 1, 1.0, _variant_t::Null()}});
    conn->Close();
    EXPECT_THROW(insert->ExecuteArray({{"X2", "b", 2, 2.0, _variant_t::Null()}}), _com_error);
    conn->Open(ws.ConnectionText());
    insert->ExecuteArray({{"X3", "c", 3, 3.0, _variant_t::Null()}});
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "2");
    // Another text on the same command is prepared anew.
    insert->PutCommandText("DELETE FROM Items WHERE Code = ?");
    EXPECT_EQ(insert->ExecuteArray({{"x1"}, {"X3"}, {"none"}}) != 0, true);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "0");
}

// A delete by key values deletes, for a batch of sets, what each set would alone: quotes,
// Chinese text and another letter case match as in a single statement, NULL matches nothing,
// and rows that match no whole set stay.
TEST_P(DbPreparedCommandTest, KeyDeletesOfABatchDeleteWhatEachSetWould) {
    Command(kInsert)->ExecuteArray({{"K'1", "甲'", 1, 1.0, _variant_t::Null()},
                                    {"k2", "乙", 2, 2.0, _variant_t::Null()},
                                    {"K3", _variant_t::Null(), 3, 3.0, _variant_t::Null()},
                                    {"K4", "丁", 4, 4.0, _variant_t::Null()},
                                    {"K5", "戊", 5, 5.0, _variant_t::Null()}});
    Command("DELETE FROM Items WHERE Code=? AND Name=?")
        ->ExecuteArray(
            {{"k'1", "甲'"}, {"K2", "乙"}, {"K3", _variant_t::Null()}, {"K4", "戊"}, {"none", "x"}});
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "3");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items WHERE Code IN ('K3', 'K4', 'K5')"), "3");
    Command("DELETE FROM Items WHERE Code = ?")->ExecuteArray({{"k3"}, {_variant_t::Null()}, {"K5"}});
    EXPECT_EQ(ws.QueryText("SELECT Code FROM Items"), "K4");
    // A number key compares as the number column it is; a column named twice still deletes.
    Command("DELETE FROM Items WHERE Qty = ?")->ExecuteArray({{7}, {40}});
    EXPECT_EQ(ws.QueryText("SELECT Code FROM Items"), "K4");
    Command("DELETE FROM Items WHERE Qty = ?")->ExecuteArray({{7}, {4}});
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "0");
    Command(kInsert)->ExecuteArray(
        {{"K6", "己", 6, 6.0, _variant_t::Null()}, {"K7", "庚", 7, 7.0, _variant_t::Null()}});
    Command("DELETE FROM Items WHERE Code = ? AND code = ?")->ExecuteArray({{"k6", "K6"}, {"K7", "x"}});
    EXPECT_EQ(ws.QueryText("SELECT Code FROM Items"), "K7");
    // Keys with the characters that build lists of values: quotes, backslashes, braces, commas.
    Command(kInsert)->ExecuteArray({{"a\"b\\c{,}", "x", 1, 1.0, _variant_t::Null()},
                                    {"{NULL}", "y", 2, 2.0, _variant_t::Null()},
                                    {"NULL", "z", 3, 3.0, _variant_t::Null()}});
    Command("DELETE FROM Items WHERE Code = ? AND Name = ?")
        ->ExecuteArray({{"A\"B\\C{,}", "X"}, {"{null}", "y"}, {"K7", "x"}});
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "2");
    Command("DELETE FROM Items WHERE Code = ?")->ExecuteArray({{"null"}, {"x"}});
    EXPECT_EQ(ws.QueryText("SELECT Code FROM Items"), "K7");
}

// Keys that the column would read otherwise than their text: into fixed-length text columns
// (longer than the column, with trailing blanks, one and two columns), numbers and reals into
// text columns. A batch deletes what the same keys delete one statement each.
TEST_P(DbPreparedCommandTest, KeyDeletesOfABatchReadEachKeyAsItsColumnDoes) {
    const std::vector<CString> tables = {"KeysAlone", "KeysBatch"};
    for (const CString& table : tables)
        ws.Execute("CREATE TABLE " + table +
                   " (Code CHAR(8), Part CHAR(8), Name VARCHAR(20) COLLATE NOCASE, Qty "
                   "INTEGER);CREATE INDEX IX_" +
                   table + "_Code ON " + table + " (Code, Part);CREATE INDEX IX_" + table + "_Name ON " +
                   table + " (Name)");
    // Deletes from the same rows each time; the quantities of the rows that stay.
    const auto deleteFromAll = [&](const char* where, const std::vector<Row>& keys) {
        for (const CString& table : tables)
            ws.Execute(
                "DELETE FROM " + table + ";INSERT INTO " + table +
                " VALUES ('a', 'x', '7', 1), ('b', 'x', '40', 2), ('abc', 'x', '2.0', 3), ('bzz', 'x', "
                "'2', 4), ('abc', 'y', 'abc', 5), ('12345678', 'x', '0.1', 6), ('c', 'x', '1e+300', 7), "
                "('d', 'y', '8', 8)");
        std::string quantities;
        for (const std::string& row : DeleteAloneAndInBatch(where, keys))
            quantities += row.substr(row.rfind('|') + 1);
        return quantities;
    };
    // A key is never cut to the column's length: 'abc' and 'bzz' leave 'a' and 'b'.
    EXPECT_EQ(deleteFromAll("Code = ?", {{"abc"}, {"bzz"}, {"123456789"}}), "12678");
    deleteFromAll("Code = ? AND Part = ?", {{"a  ", "x"}, {"12345678 ", "x "}, {"d", "y  "}, {"b", "xx"}});
    // Numbers and reals into a text column, a number as text into a number column.
    EXPECT_EQ(deleteFromAll("Name = ?", {{7}, {40LL}}), "345678");
    deleteFromAll("Name = ?", {{2.0}, {0.1}, {1e300}});
    EXPECT_EQ(deleteFromAll("Qty = ?", {{"8"}, {"9"}}), "1234567");
}

// A batch delete that fails inside a transaction leaves the transaction as it was: the rows are
// there, and the statements after it read and plan as before it.
TEST_P(DbPreparedCommandTest, AFailedKeyDeleteLeavesItsTransactionAsItWas) {
    Command(kInsert)->ExecuteArray(
        {{"R1", "a", 1, 1.0, _variant_t::Null()}, {"R2", "b", 2, 2.0, _variant_t::Null()}});
    const bool pg = vqtest::DbWorkspace::OnPostgreSQL();
    if (!pg)
        conn->Execute("CREATE TRIGGER refuse_r2 BEFORE DELETE ON Items WHEN OLD.Code = 'R2' BEGIN "
                      "SELECT RAISE(ABORT, 'refused'); END");
    const auto setting = [&] {
        return conn->Execute("SELECT current_setting('enable_seqscan')", nullptr, adCmdText)
            ->GetCollect(0L)
            .ToString();
    };
    conn->BeginTrans();
    const CString before = pg ? setting() : CString();
    // On the server a text that is not a number fails as a key of a number column.
    EXPECT_THROW(pg ? Command("DELETE FROM Items WHERE Qty = ?")->ExecuteArray({{1}, {"two"}})
                    : Command("DELETE FROM Items WHERE Code = ?")->ExecuteArray({{"R1"}, {"R2"}}),
                 _com_error);
    EXPECT_EQ(Rows("SELECT Code FROM Items ORDER BY Code"), (std::vector<std::string>{"R1", "R2"}));
    if (pg) {
        EXPECT_EQ(setting(), before);
    }
    Command("DELETE FROM Items WHERE Code = ?")->ExecuteArray({{"R1"}, {"none"}});
    conn->CommitTrans();
    EXPECT_EQ(ws.QueryText("SELECT Code FROM Items"), "R2");
}

// A batch delete inside a transaction finds its keys through the index even where the table was
// filled in the same transaction and has no statistics yet (reading the table for every batch
// would make an import's time grow with the square of its rows).
TEST_P(DbPreparedCommandTest, KeyDeletesOfAFreshTableUseItsIndex) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "reads PostgreSQL's counters of table reads";
    conn->BeginTrans();
    _CommandPtr insert = Command(kInsert), remove = Command("DELETE FROM Items WHERE Code = ?");
    for (int batch = 0; batch < 10; ++batch) {
        std::vector<Row> rows, keys;
        for (int i = 0; i < 500; ++i) {
            const CString code("B" + std::to_string(batch) + "-" + std::to_string(i));
            keys.push_back({code});
            rows.push_back({code, "n", i, 1.0, _variant_t::Null()});
        }
        remove->ExecuteArray(keys);
        insert->ExecuteArray(rows);
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "0"); // another session sees nothing yet
    const auto reads = [&] {
        _RecordsetPtr rs = conn->Execute(
            "SELECT seq_scan FROM pg_stat_xact_user_tables WHERE relname = 'items'", nullptr, adCmdText);
        return rs->GetCollect(0L).ToLong();
    };
    const long before = reads();
    for (int batch = 0; batch < 10; ++batch) {
        std::vector<Row> keys;
        for (int i = 0; i < 500; i += 2)
            keys.push_back({CString("b" + std::to_string(batch) + "-" + std::to_string(i))});
        EXPECT_EQ(remove->ExecuteArray(keys), 250);
    }
    EXPECT_EQ(reads(), before);
    conn->CommitTrans();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM Items"), "2500");
}

// A batch without bytes (which PostgreSQL receives as one block of data) stores what single
// statements store: text that breaks quoting or escaping, control characters, Chinese text,
// NULLs, extreme numbers, a number into a text column, a numeric text into a number column, and
// the row's own constants beside the marks in another column order.
TEST_P(DbPreparedCommandTest, BatchWithoutBytesStoresWhatSingleStatementsStore) {
    const CString insert(
        "INSERT INTO Items (Weight, Stamp, Qty, Code, Name) VALUES (?, 'x, (y) ?', ?, ?, ?)");
    const std::vector<Row> sets = {
        {0.1, 1, "Q'1", "it's \"quoted\" \\ {\"a\":1} ]; DROP TABLE Items; --"},
        {_variant_t::Null(), _variant_t::Null(), "Q2", _variant_t::Null()},
        {-1e300, 2000000000LL, "Q3", "制表\t换行\n回车\r响铃\a"},
        {1e-300, "7", "Q4", 12},
        {2.0, -5, "Q5", LongText()},
        {1.0 / 3, 0, "Q6", ""},
    };
    std::vector<Row> single;
    for (Row set : sets) {
        set[2] = CString("S") + set[2].ToString();
        single.push_back(set);
    }
    _CommandPtr one = Command(insert);
    for (const Row& set : single)
        one->ExecuteArray({set});
    EXPECT_EQ(Command(insert)->ExecuteArray(sets), 6);

    std::map<std::string, Row> got = ReadByCode();
    ASSERT_EQ(got.size(), 12u);
    for (const Row& set : sets) {
        const std::string code = set[2].ToString().str();
        SCOPED_TRACE(code);
        const Row& batch = got[code];
        ExpectStoredAlike(batch, got["S" + code]);
        EXPECT_EQ(batch[3].ToString(), "x, (y) ?");
    }
    EXPECT_EQ(got["Q'1"][0].ToString(), sets[0][3].ToString());
    EXPECT_EQ(got["Q3"][0].ToString(), sets[2][3].ToString());
    EXPECT_EQ(got["Q4"][1].ToLong(), 7);
    EXPECT_EQ(got["Q4"][0].ToString(), "12");
    EXPECT_EQ(got["Q5"][0].ToString(), LongText());
    EXPECT_NEAR(got["Q6"][2].ToDouble(), 1.0 / 3, 1e-14); // the SQLite driver reads 15 digits
    EXPECT_DOUBLE_EQ(got["Q3"][2].ToDouble(), -1e300);
}

// Values shared by every set of a batch (a file's product, empty fields) are sent once: batches
// of one command that share different columns, a NULL or text or number shared, a value shared
// by all sets but one, and -0.0 beside 0.0 store what single statements store.
TEST_P(DbPreparedCommandTest, BatchesSharingValuesStoreWhatSingleStatementsStore) {
    const CString insert("INSERT INTO Items (Code, Name, Qty, Weight, Stamp) VALUES (?, ?, ?, ?, 'c')");
    const std::vector<std::vector<Row>> batches = {
        {{"A1", "同'名", 7, _variant_t::Null()},
         {"A2", "同'名", 7, _variant_t::Null()},
         {"A3", "同'名", 7, _variant_t::Null()}},
        {{"B1", "", 1, 2.5}, {"B2", "", 2, 2.5}},
        {{"C1", "x", 3, 0.0}, {"C2", "x", 3, -0.0}, {"C3", "y", 3, 0.0}},
        {{"D1", _variant_t::Null(), 4, 1.0}, {"D2", "", 4, 1.0}, {"D3", _variant_t::Null(), 4LL, 1.0}},
        {{"E1", "同'名", 7, _variant_t::Null()}, {"E2", "同'名", 7, _variant_t::Null()}},
        // Reals into a text column: shared by every set, and differing.
        {{"F1", 2.0, 1, 2.0}, {"F2", 2.0, 2, 2.0}},
        {{"G1", 2.0, 1, 2.0},
         {"G2", 3.0, 2, 0.5},
         {"G3", 0.1, 3, -0.0},
         {"G4", 1e300, 4, 1e300},
         {"G5", 1.0 / 3, 5, 1.0 / 3},
         {"G6", -0.0, 6, 2.0},
         {"G7", 1e-5, 7, 1e-5},
         {"G8", 7, 8, 7}},
    };
    _CommandPtr batchCommand = Command(insert), one = Command(insert);
    for (const std::vector<Row>& batch : batches) {
        EXPECT_EQ(batchCommand->ExecuteArray(batch), static_cast<long>(batch.size()));
        for (Row set : batch) {
            set[0] = CString("S") + set[0].ToString();
            one->ExecuteArray({set});
        }
    }
    std::map<std::string, Row> got = ReadByCode();
    ASSERT_EQ(got.size(), 46u);
    for (const std::vector<Row>& batch : batches)
        for (const Row& set : batch) {
            const std::string code = set[0].ToString().str();
            SCOPED_TRACE(code);
            const Row& stored = got[code];
            ExpectStoredAlike(stored, got["S" + code]);
            ASSERT_EQ(stored[0].IsNull(), set[1].IsNull());
            if (set[1].vt == VT_BSTR) {
                EXPECT_EQ(stored[0].ToString(), set[1].ToString());
            }
            EXPECT_EQ(stored[1].ToLong(), set[2].ToLong());
            EXPECT_EQ(stored[3].ToString(), "c");
        }
    EXPECT_EQ(got["C3"][0].ToString(), "y");
    EXPECT_DOUBLE_EQ(got["B2"][2].ToDouble(), 2.5);
}

INSTANTIATE_TEST_SUITE_P(Dialects, DbPreparedCommandTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace

// Which statements a batch may run as inserts of several rows.
TEST(SingleRowInsert, OnlyAnInsertOfOneRowOfValuesIsSplit) {
    auto insert = vq::db::SplitSingleRowInsert("insert INTO T (a, b, c) Values (?, 'x?(', f(?, 1)) ;");
    ASSERT_TRUE(insert);
    EXPECT_EQ(insert->head, "insert INTO T (a, b, c) Values ");
    EXPECT_EQ(insert->row, "(?, 'x?(', f(?, 1))");
    EXPECT_EQ(insert->marks, 2u);
    EXPECT_FALSE(vq::db::SplitSingleRowInsert("INSERT INTO T (a) SELECT ? FROM U"));
    EXPECT_FALSE(vq::db::SplitSingleRowInsert("INSERT INTO T (a) VALUES (?), (?)"));
    EXPECT_FALSE(vq::db::SplitSingleRowInsert("INSERT INTO T (a) VALUES (?) RETURNING a"));
    EXPECT_FALSE(vq::db::SplitSingleRowInsert("UPDATE T SET a = ? WHERE b IN (SELECT c FROM values_table)"));
    EXPECT_FALSE(vq::db::SplitSingleRowInsert("INSERT INTO values_list (a) SELECT 'VALUES (?)'"));
}

// Which inserts name a column for each of their marks.
TEST(SingleRowInsert, ColumnsAreMatchedToPlainMarksOnly) {
    auto columns = vq::db::SplitInsertColumns(
        *vq::db::SplitSingleRowInsert("INSERT INTO T_1 (a, B_2 , c, d) VALUES (?, 'x, (y) ?', f(1, 2), ? )"));
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->table, "T_1");
    EXPECT_EQ(columns->columns, (std::vector<std::string>{"a", "B_2", "c", "d"}));
    EXPECT_EQ(columns->elements, (std::vector<std::string>{"?", "'x, (y) ?'", "f(1, 2)", "?"}));
    auto split = [](const char* sql) {
        return vq::db::SplitInsertColumns(*vq::db::SplitSingleRowInsert(sql));
    };
    EXPECT_FALSE(split("INSERT INTO T VALUES (?, ?)"));
    EXPECT_FALSE(split("INSERT INTO T (a, b) VALUES (?)"));
    EXPECT_FALSE(split("INSERT INTO T (a) VALUES (?, ?)"));
    EXPECT_FALSE(split("INSERT INTO T (a, b) VALUES (?, upper(?))"));
    EXPECT_FALSE(split("INSERT INTO T (a, \"b c\") VALUES (?, ?)"));
}

// Which statements a batch may run as one delete by the key values of all its sets.
TEST(KeyDelete, OnlyADeleteByColumnsEqualToMarksIsSplit) {
    auto keys = vq::db::SplitKeyDelete("delete FROM T_x WHERE a = ? AND b=? ;");
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->table, "T_x");
    EXPECT_EQ(keys->columns, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(vq::db::SplitKeyDelete("DELETE FROM T WHERE Code=?"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("DELETE FROM T WHERE a=? OR b=?"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("DELETE FROM T WHERE a=? AND b IN (?, ?)"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("DELETE FROM T WHERE a='x?'"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("DELETE FROM T WHERE a=? AND"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("DELETE FROM T WHERE a=? b=?"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("DELETE FROM T"));
    EXPECT_FALSE(vq::db::SplitKeyDelete("UPDATE T SET a=? WHERE b=?"));
}
