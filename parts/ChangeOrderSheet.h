// The sheet of a change order: the table file stored with the order in ECORelateFile under the
// document type "_VQ_ECO". Fetching it writes "M<number>_ECO.tbl" (the number made a valid file
// name) into the folder the caller gives (a call folder of the dialog's own, vq::CallFolder), which
// goes with the dialog unless the sheet was handed to a program that may still read it, and
// records it among the application's downloaded files.
#pragma once

#include "platform/base/String.h"

// The local path of the fetched sheet; empty when the order has no stored sheet (nothing shown)
// or when the download failed ("文档下载失败!" shown). The caller has lent a product-database
// connection to the application object.
CString FetchChangeOrderSheet(const CString& folder, const CString& group, const CString& number);
