#include "core/ComError.h"

#include "platform/base/MessageBox.h"

void ReportComError(_com_error e) {
    CString text = e.Description();
    if (text.IsEmpty()) {
        text = e.ErrorMessage();
        if (text.Right(2) == "\r\n")
            text = text.Left(text.GetLength() - 2);
    }
    AfxMessageBox(text, MB_OK);
}

CString VariantToString(_variant_t value) {
    CString text;
    if (value.IsBinary() || !value.TryGetString(text))
        return CString();
    return text.Trim();
}
