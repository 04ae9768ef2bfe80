// CProductStructImportDlg ("产品结构数据导入"): brings a product structure (bill of materials)
// from a file into the title and detail tables of the archive family ("归档数据区") or of the
// collaborative-design family ("协同设计区").
//
// File kinds (filter index): 1 a table file ".tbl" (TableFile.h), 2 a TAB-separated text with
// parent codes, 3 a text of quoted fields with assembly levels, 4 a comma-separated text (RFC
// 4180, quoted or unquoted fields, comma or semicolon) with parent codes. The columns of a file
// are matched to line attributes with CProductDataMatchDlg.
//
// A line that cannot be stored as it stands is refused when the file is read: no parent code,
// an empty drawing number, a bad or skipped assembly level, a weight that is not a finite
// number, characters that are not text, a quote left open. After the read a message says how
// many lines were refused and why (the first few with their line numbers); a file without any
// line to store is refused as a whole.
//
// Storing replaces, for every line, the title row of its code and the detail row of its
// parent-child pair. Each replacement (a title's delete and insert; a parent's deletes and
// inserts) is one unit: when an insert fails the old rows of that unit stay as they were. When
// the database cannot keep a unit (a failed savepoint or commit, a lost connection) the store
// stops: the units not yet committed count as not stored, and nothing more is written.
//
// Where the database has savepoints (SQLite, PostgreSQL) one store is one transaction, committed
// at its end: a host that ends in the middle of a store (killed, a power cut), a failed commit
// and a lost connection leave the tables as they were before it, and the message says that
// nothing was stored (a lost connection, found by the store's first exchange or later, is told
// in that message alone). A store the user stops (the cancel button, closing the dialog, Yes to a
// question after a failed statement) keeps whole assemblies only: each parent whose lines were
// all stored, with its title and the titles of its parts; nothing of the other parents stays.
// Elsewhere each unit commits on its own and a stop keeps the units stored until then.
#pragma once

#include "parts/ImportLines.h"
#include "parts/ProductStructItem.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class CProductStructImportDlg : public CDialog {
public:
    explicit CProductStructImportDlg(CWnd* parent = nullptr);
    ~CProductStructImportDlg() override;

    // --- Line parsing (also used on their own)
    // TAB-separated fields, each trimmed of spaces; the whole line is read (no line end).
    static void SplitTabLine(const CString& line, CStringArray& fields);
    // The texts between pairs of double quotes (a doubled quote inside stands for one quote);
    // everything outside them is dropped. False when a field is opened and never closed (the
    // fields closed before it are given).
    static bool SplitQuotedLine(const CString& line, CStringArray& fields);
    // The fields of a comma-separated record (RFC 4180): separated by the separator, each quoted
    // (a doubled quote inside stands for one quote; separators and line ends are text there) or
    // not. False when a quoted field is still open at the end: the record goes on in the next line.
    static bool SplitCsvLine(const CString& line, char separator, CStringArray& fields);
    // The separator of a comma-separated file: the first comma or semicolon outside quotes in
    // its header line; a comma when there is none.
    static char CsvSeparator(const CString& header);
    // Fills the field of the line that the attribute names from a (trimmed) value; returns the
    // assembly level for "装配级别" (its decimal digits), else -1.
    static int ApplyAttribute(CProductStructItem& item, const CString& attribute, const CString& value);
    // A number as the SQL text of "%f" / "%d", always with a decimal point (whatever the locale).
    static CString SqlNumber(double value);
    // atof/atoi that read a decimal point whatever the locale.
    static double ParseDouble(const CString& text);

    // The parent of a line of the level file: the code of the latest stack entry of level-1;
    // entries of the level and deeper are removed, then (level, code) is pushed when a parent
    // was found (a line refused for a skipped level is no parent of the lines below it).
    CString ParentFromLevel(int level, const CString& code);

    CString m_strProductCode; // edit 1191 (read-only)
    CString m_strProductName;
    int m_bIgnoreFirstLine = 1; // check 1221
    int m_nStoreArea = 0;       // drop-down 1062: 0 "归档数据区", 1 "协同设计区"
    int m_bSpecifyParent = 0;   // check 1158
    CString m_strParentCode;    // edit 1060 (disabled)
    CString m_strParentName;
    CString m_strParentFrame;

    CImportLines m_arrLines;         // lines with a parent code
    CImportLines m_arrNoParentLines; // lines refused for want of a parent
    // The lines of the last read that were refused: the line number in the file (the row of a
    // table file) and why.
    struct RefusedLine {
        int line;
        CString reason;
    };
    std::vector<RefusedLine> m_refusedLines;
    CStringArray m_arrColumnMap; // one attribute per column of the file
    std::vector<std::pair<int, CString>> m_levelStack;
    int m_nParentCount = 0;
    int m_nSelectedParent = -1;
    BOOL m_bClosing = FALSE;
    CString m_strTitleTable = "VqkorvelAll_title";
    CString m_strDetailTable = "VqkorvelAll_detail";
    CString m_strProductDwgCode;
    _ConnectionPtr m_pConnection;
    CString m_strLoginUser;

    // The title items and the detail areas of the last table file read (kept, not used).
    CStringArray m_arrTitleIDs;
    CStringArray m_arrTitleValues;
    CStringArray m_arrDetailIDs;
    CStringArray m_arrDetailNames;

    CListCtrl m_listParents; // 1051
    CListCtrl m_listLines;   // 1030
    CComboBox m_comboArea;   // 1062

    // What the last store did (for the final message and for callers that look).
    int m_nFailedRows = 0;
    BOOL m_bStoreStopped = FALSE;
    // The database could not keep a unit (savepoint, commit, lost connection): nothing more is
    // written after it.
    BOOL m_bStoreFailed = FALSE;
    // The store was one transaction (or could not begin for a lost connection): a failure stored
    // nothing, a stop kept whole assemblies.
    bool m_bAllOrNothing = false;
    // After a stop in one transaction: the assemblies kept whole.
    int m_nKeptAssemblies = 0;
    // Why the store failed, in the system's words where it has them (empty when not known).
    CString m_strFailCause;
    // The cause has been shown in a box of its own; otherwise the final message names it.
    bool m_bFailCauseShown = false;

    // Reads a file of a kind (1 to 4) and fills the lists, as the "选择文件..." button does
    // after its file dialog.
    void ReadFile(const CString& path, int kind);
    // Stores the loaded lines, as the "存储..." button does.
    void Store();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    void OnDestroy() override;
    afx_msg void OnChooseFile();
    afx_msg void OnChooseProduct();
    afx_msg void OnSpecifyParent();
    afx_msg void OnStore();
    afx_msg void OnParentChanged(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void DeleteLines();
    // Each returns false when the read ended without lines to show (missing or unreadable file,
    // cancelled matching), after its own message where there is one.
    bool ReadTextFile(const CString& path, int kind);
    bool ReadTableFile(const CString& path);
    void ParseDataLine(const CStringArray& fields, int kind);
    void FileLine(CProductStructItem* item, int level, int kind);
    void Refuse(const CString& reason);
    // After a read: what was refused, or that nothing can be stored.
    void ReportRefusedLines();
    void FillLists();
    void ShowLinesOf(int row);
    bool StoreTitles();
    bool StoreDetails();
    // The store units: a savepoint inside one running transaction where the database has them.
    // BeginUnit, EndUnit and EndStore return false (after showing the error) when the database
    // could not do it; the store then ends as failed (FailStore).
    void BeginStore();
    void PlanByIndex(bool on);
    bool EndStore();
    bool BeginUnit();
    bool EndUnit(bool keep, int rows);
    void FailStore(int rowsOfUnit);
    // Keeps the first cause of a failure for the final message; shows it at once only where the
    // store goes on unit by unit and the database may still take the next unit.
    void ReportFailure(const _com_error& e);
    // Runs one text statement of the store; false after a failure. A database that takes no
    // writes (read-only, full, locked, lost) fails the store at once (FailStore) and is said in the
    // final message alone; any other failure is shown with its statement, as ExecuteSql shows it.
    bool RunStatement(const CString& sql);
    // After a stop in one transaction: leaves in it the assemblies stored whole, or rolls it back.
    void KeepWholeAssemblies(bool titlesStored);
    bool RestoreAssemblies(const std::vector<int>& rows, bool titlesStored);
    CString StoreMessage() const;
    // After a failed statement: true when the store must stop, because the store has failed (the
    // database takes no writes) or because the user chose to.
    bool AskStop(const CString& sql, const char* question);

    // The store through prepared commands with bound values (inside one running transaction).
    struct TitleBatch {
        std::vector<int> lines; // the line of each unit
        std::vector<CString> names;
        std::unordered_set<std::string> codes; // lower case
        std::vector<CString> codesInOrder;
        std::vector<std::vector<_variant_t>> inserts;
    };
    _CommandPtr PreparedCommand(const CString& text);
    void PrepareStoreCommands();
    static double StoredWeight(double weight);
    std::vector<std::vector<_variant_t>> CodeLists(const std::vector<_variant_t>& leading,
                                                   const std::vector<CString>& codes) const;
    CString TitleName(const CProductStructItem& line) const;
    // The values of the title insert of a line.
    std::vector<_variant_t> TitleValues(const CProductStructItem& line, const CString& now) const;
    // The name of the parent of a row of the list (the product's name for the product).
    CString ParentName(int row) const;
    bool StoreTitleBatch(TitleBatch& batch, const CString& now);
    bool StoreTitleUnit(const CProductStructItem& line, const CString& name, const CString& now);
    void StoreDetailsAsText(const CString& upCode, const CString& upName, const std::vector<int>& lines,
                            bool& failed, bool& stop);
    struct DetailUnit {
        int row; // in the list of parents
        CString upCode;
        CString upName;
        const std::vector<int>* lines;
    };
    bool StoreDetailUnit(const DetailUnit& unit);
    bool StoreDetailBatch(std::vector<DetailUnit>& batch);
    bool StoreDetailsByParent(std::vector<DetailUnit>& units);
    enum class SetResult { Stored, Failed, Stop };
    SetResult StoreDetailsAsSet(const std::vector<DetailUnit>& units);
    std::unordered_set<std::string> ParentsWithLines(const std::vector<DetailUnit>& units);
    void DetailValues(const DetailUnit& unit, std::vector<std::vector<_variant_t>>* deletes,
                      std::vector<std::vector<_variant_t>>& inserts);
    void StoreDetailsBound(const DetailUnit& unit);
    bool m_bBoundStore = false;
    // The parents (rows of the list) whose lines this transaction holds whole, and the codes (lower
    // case) whose title failed; a stop keeps those parents only.
    std::vector<int> m_storedParents;
    std::unordered_set<std::string> m_failedTitles;
    CString m_strTitleTime; // the server's time written into the titles
    _CommandPtr m_titleDelete;
    _CommandPtr m_titleInsert;
    _CommandPtr m_detailDelete;
    _CommandPtr m_detailInsert;

    bool m_bBusy = false; // a read or a store is running: the buttons wait
    DWORD m_nChosenFileKind = 1; // the file type (filter) of the last file chosen
    bool m_bOuterTransaction = false;
    bool m_bUnitTransaction = false;
    int m_nRowsInTransaction = 0; // rows of the units kept, waiting for the commit
    int m_nLineNumber = 0;        // the line being parsed, for refusals
    // Parent codes in ASCII lower case -> the indexes of their lines, in file order.
    std::unordered_map<std::string, std::vector<int>> m_linesByParent;
};
