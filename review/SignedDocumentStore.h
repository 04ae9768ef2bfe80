// Stores a signed work document back in place of the unsigned one: the document's content row of
// TeamWorkResultPack (storage modes 0 and 1) and its copy on the FTP server (modes 1 and 2), with
// the new size and date in its TeamWorkResult row. Used by the Word and report signers.
#pragma once

#include "platform/base/String.h"

enum class SignedDocumentKind { Word, Report };

// 1 when the signed file at path was stored for fileId. The database rows are replaced in one
// transaction: the old content goes only together with the new content going in, so a failed
// store leaves the document as it was. Each failure is shown and gives 0.
int StoreSignedDocument(const CString& fileId, const CString& path, SignedDocumentKind kind);
