// Numbers of change orders: a series text, the group's separator and a serial counted within
// the series, reserved in ECOSerialNo so that two orders never get the same serial; a withdrawn
// number frees its serial for the next reservation.
//
// Series by numbering mode (Y: the year of the local clock):
//   1  model + separator + Y           number: series + separator + serial
//   2  separator + Y                   number: model + series + separator + serial
//   3  product code of the model + separator + Y
//   4  Y + personal code
//   other modes: separator + Y; mode 0 numbers are typed by hand.
//
// The form that numbers owns one object, gives it its group's settings, the product model, the
// preparer and the preparation date, and calls ApplyNumber (the number button) or
// ApplyPersonalNumber (mode 4 when a new order opens).
#pragma once

#include "platform/base/String.h"

#include <vector>

class CECOConfigure;

class CECONumbering {
public:
    CECONumbering();

    // Takes width, separator and numbering mode of the group's configuration.
    void SetConfigure(const CECOConfigure& configure);

    // Reserves the lowest free serial of (group, series) and returns series + separator + serial
    // (without the model that mode 2 puts in front); empty when the reservation failed (shown).
    CString ApplySerialNo(CString series);
    // The serial as decimal text left-filled with "0" up to the width; never cut.
    CString FormatSerialNo(int serial) const;
    // Withdraws a reserved number; 1, or 0 when the statement failed (shown).
    int DeleteSerialNo(CString number);
    // The product code of a product model (mode 3); empty when there is none.
    CString GetProductCodeByStyle(CString style);

    // The number button once the product is chosen: withdraws the held number when the user asks
    // for it, then reserves a new one. 1 when a new number stands in `number`; 0 otherwise (the
    // messages have been shown; a kept or unchanged number stays in `number`).
    int ApplyNumber(CString& number);
    // Mode 4 when a new order opens: the number reserved in the series Y + personal code, or
    // empty after a message.
    CString ApplyPersonalNumber();

    CString m_strGroup;        // "更改单" or "修改单"
    int m_nNoWidth = 1;        // digits of the serial
    CString m_strNoSeparator;  // between the series and the serial
    int m_nNoMode = 0;         // numbering mode 0 to 4
    CString m_strProductStyle; // product model of the order
    CString m_strPersonalCode; // mode 4 only
    CString m_strSaveUser;     // the preparer's user name
    CString m_strSaveDate;     // preparation date "%Y-%m-%d %H:%M"
    CString m_strYear;         // "%Y" of the local clock when the object was made

private:
    // The serials already reserved in the series; false after a database error (shown).
    bool ReadSerials(const CString& series, std::vector<int>& serials);
    bool IsSerialTaken(const CString& series, int serial);
};
