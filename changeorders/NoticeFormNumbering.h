// The numbers of the change and modification notice forms: the number button, where the person
// picks the product (by its class with the product information picker, or from the product
// list) and the numbering of the form's group reserves a number for the product's model; and the
// personal number a new notice gets in numbering mode 4.
#pragma once

#include "platform/base/String.h"

// The form's numbering settings.
struct NoticeNumbering {
    const char* group = nullptr; // "更改单" or "修改单"
    int width = 1;
    CString separator;
    int mode = 0;
    CString saveUser;
    CString saveDate;
};

// The product of the notice: on entry the one to start the picker at, on return the one picked.
struct NoticeProduct {
    CString code;
    CString name;
    CString style;
};

// False when the person cancelled the picker (nothing changed). Otherwise the product is the one
// picked and the numbering has run: a new number stands in `number`, or the numbering has shown
// why not and `number` is as it was.
bool PickProductAndApplyNumber(bool byProductClass, const NoticeNumbering& settings, NoticeProduct& product,
                               CString& number);

// The number reserved in the series of the year and the personal code; empty after a message.
CString ApplyPersonalNoticeNumber(const NoticeNumbering& settings, const CString& personalCode);
