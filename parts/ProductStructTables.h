// The product-structure tables: four families of title and detail tables, and the ways a
// structure is read downwards from a part.
//
//   archive                 VqkorvelAll_title  / VqkorvelAll_detail   ("归档数据区")
//   collaborative design    VqkorvelTeam_title / VqkorvelTeam_detail  ("协同设计区")
//   project task            VqkorvelTask_title / VqkorvelTask_detail
//   revision                VqkorvelVer_title  / VqkorvelVer_detail
//
// Reading downwards: in the Oracle dialect one "START WITH UpCode=... CONNECT BY UpCode=Prior
// DCode" statement over the detail table joined to the title table; in the SQL Server dialect
// the stored procedure ShowPartTree (archive) or ShowTeamStructTree (collaborative design) with
// the parameter UpCode. Readers that build a tree level by level read one parent at a time.
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <vector>

enum class ProductFamily { Archive, Team, Task, Version };

struct ProductTableNames {
    const char* title;
    const char* detail;
};

ProductTableNames GetProductTables(ProductFamily family);

// The stored value that marks rows stored into the collaborative-design family by the import.
inline constexpr const char* kImportSaveMark = "_X_SAVE_";

// One line of a structure read downwards.
struct ProductTreeLine {
    CString upCode;
    CString code;
    int item = 0;
    CString remark;
    CString name; // the child's title name (archive), or its line name (collaborative design)
};

// The Oracle-dialect statement that reads every line below upCode in a family (archive or
// collaborative design), joined to the title table, ordered by UpCode and DItem.
CString StructureDownStatement(ProductFamily family, const CString& upCode);

// Reads every line below upCode (all levels) of the archive or collaborative-design family in
// the dialect of databaseType (2: Oracle; others: the stored procedure). Database errors throw
// _com_error.
std::vector<ProductTreeLine> ReadStructureDown(const _ConnectionPtr& connection, int databaseType,
                                               ProductFamily family, const CString& upCode);

// Every line below upCode (all levels), each line of the table once however many places use its
// assembly, joined to the title table and ordered by UpCode and DItem: on SQLite and PostgreSQL
// one recursive statement that visits each code once (a cycle in the data ends by itself);
// elsewhere as ReadStructureDown. The collaborative-design family reads as ReadStructureDown.
std::vector<ProductTreeLine> ReadStructureLines(const _ConnectionPtr& connection, int databaseType,
                                                ProductFamily family, const CString& upCode);

// One level below upCode: "SELECT DCode, DName FROM <detail> WHERE UpCode='...' [AND DCode IN
// (SELECT TCode FROM <title>)] ORDER BY DItem"; code and name of each child in item order.
std::vector<ProductTreeLine> ReadChildren(const _ConnectionPtr& connection, ProductFamily family,
                                          const CString& upCode, bool onlyWithTitle);
