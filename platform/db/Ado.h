// The data access layer of the system: ADO-style objects over unixODBC.
//
//   #include "platform/db/Ado.h"
//
//   _ConnectionPtr conn;                       // reference-counted; copies share the connection
//   conn.CreateInstance();
//   conn->Open("DSN=vqdetail; UID=sa; PWD=");
//
//   try {
//       _RecordsetPtr rs;
//       rs.CreateInstance();
//       CString sql;
//       sql.Format("SELECT UserLogName, UserName FROM UserInformation WHERE GroupName='%s'",
//                  SqlQuote(group));          // every value goes through SqlQuote
//       rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
//       while (!rs->IsEOF()) {
//           CString login = VariantToString(rs->GetCollect("UserLogName")); // or GetCollect(0L)
//           CString name = VariantToString(rs->GetFields()->GetItem(1L)->GetValue());
//           rs->MoveNext();
//       }
//       rs->Close();
//
//       conn->BeginTrans();
//       conn->Execute("DELETE FROM MessageManage WHERE ReadFlag='Y'");
//       conn->CommitTrans();
//
//       // Updating a row, storing a BLOB in pieces:
//       rs->Open("SELECT DocSaved, DocContent FROM SomeTable WHERE FileID='1'", conn,
//                adOpenKeyset, adLockOptimistic, adCmdText);
//       if (rs->IsEOF())
//           rs->AddNew();
//       rs->PutCollect("DocSaved", _variant_t("Y"));
//       rs->GetFields()->GetItem("DocContent")->AppendChunk(_variant_t(bytes)); // std::vector<BYTE>
//       rs->Update();
//   } catch (_com_error& e) {
//       ReportComError(e);                     // core/ComError.h
//   }
//
// Values are _variant_t (Variant.h): VT_NULL, VT_BSTR (UTF-8 CString), VT_I4/VT_I8, VT_R8 or a
// byte array. Every failing call throws _com_error (DbError.h) with the database's description.
// Statements of both SQL dialects run on SQLite through SqlDialect.h.
#pragma once

#include "platform/db/AdoTypes.h"
#include "platform/db/Command.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlText.h"
#include "platform/db/Variant.h"
