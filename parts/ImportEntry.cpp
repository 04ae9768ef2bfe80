// The entry function of the product structure import.
#include "core/ComError.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "parts/ProductStructImportDlg.h"

// ImportProductDataFromFile(unused, login): opens the import dialog over the product database;
// 1 after the dialog closed, 0 when the database could not be opened.
extern "C" int ImportProductDataFromFile(CString /*unused*/, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    try {
        CProductStructImportDlg dlg(nullptr);
        dlg.DoModal();
    } catch (_com_error& e) {
        // No database failure may leave the entry function: the host would end.
        ReportComError(e);
    }
    return 1;
}
VQ_EXPORT_ENTRY(ImportProductDataFromFile, 2);
