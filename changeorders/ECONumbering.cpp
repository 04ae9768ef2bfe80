#include "changeorders/ECONumbering.h"

#include "changeorders/ECOConfigure.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"
#include "teamwork/LeadingNumber.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// Why a number could not be had or given back; after a lost connection, which has been said,
// nothing more is said (the missing answer is not the reason).
void SayUnlessConnectionLost(const char* text) {
    if (!theApp.m_bConnectionLost)
        AfxMessageBox(text);
}

// Another client may take the serial between the read and the insert; the unique key on the
// serial refuses the second insert and the next free serial is tried. More attempts than this
// mean something else is wrong.
constexpr int kReserveAttempts = 50;

// The lowest serial from 1 that is not taken (a gap left by a withdrawn number first).
int LowestFreeSerial(const std::vector<int>& taken) {
    const std::set<int> used(taken.begin(), taken.end());
    int serial = 1;
    while (used.count(serial))
        ++serial;
    return serial;
}

} // namespace

CECONumbering::CECONumbering()
    : m_strGroup(kChangeNoticeGroup), m_strNoSeparator("-"), m_strYear(CTime::GetCurrentTime().Format("%Y")) {
}

void CECONumbering::SetConfigure(const CECOConfigure& configure) {
    m_nNoWidth = configure.m_nNoWidth;
    m_strNoSeparator = configure.m_strNoSeparator;
    m_nNoMode = configure.m_nNoMode;
}

CString CECONumbering::FormatSerialNo(int serial) const {
    CString text;
    text.Format("%d", serial);
    while (text.GetLength() < m_nNoWidth)
        text = "0" + text;
    return text;
}

bool CECONumbering::ReadSerials(const CString& series, std::vector<int>& serials) {
    CString sql;
    sql.Format("SELECT SerialNo FROM ECOSerialNo WHERE ECOGroup='%s' AND NoGroup='%s'", SqlQuote(m_strGroup),
               SqlQuote(series));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            serials.push_back(LeadingSignedInt(VariantToString(rs->GetCollect(0L))));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

bool CECONumbering::IsSerialTaken(const CString& series, int serial) {
    CString sql;
    sql.Format("SELECT count(*) FROM ECOSerialNo WHERE ECOGroup='%s' AND NoGroup='%s' AND SerialNo=%d",
               SqlQuote(m_strGroup), SqlQuote(series), serial);
    return theApp.GetSqlInt(sql) > 0;
}

CString CECONumbering::ApplySerialNo(CString series) {
    for (int attempt = 0; attempt < kReserveAttempts; ++attempt) {
        std::vector<int> serials;
        if (!ReadSerials(series, serials))
            break;
        const int serial = LowestFreeSerial(serials);
        CString number;
        number.Format("%s%s%s", series, m_strNoSeparator, FormatSerialNo(serial));
        CString recorded = number;
        if (m_nNoMode == 2)
            recorded.Format("%s%s", m_strProductStyle, number);
        CString sql;
        sql.Format("INSERT INTO ECOSerialNo (ECOGroup, NoGroup, SerialNo, UserName, SaveDate, ECONo) "
                   "VALUES('%s', '%s', %d, '%s', '%s', '%s')",
                   SqlQuote(m_strGroup), SqlQuote(series), serial, SqlQuote(m_strSaveUser),
                   SqlQuote(m_strSaveDate), SqlQuote(recorded));
        try {
            theApp.m_pConnPDM->Execute(sql, nullptr, adCmdText);
            return number;
        } catch (_com_error& e) {
            // A lost connection is said once, as what it is; no statement is blamed.
            if (IsConnectionLost(e)) {
                ReportComError(e);
                break;
            }
            if (IsSerialTaken(series, serial))
                continue; // taken by another client since the read: the next free one
            ReportComError(e);
            AfxMessageBox("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n" + sql);
            break;
        }
    }
    SayUnlessConnectionLost("不能正常进行申请...");
    return CString();
}

int CECONumbering::DeleteSerialNo(CString number) {
    CString sql;
    sql.Format("DELETE FROM ECOSerialNo WHERE ECOGroup='%s' AND ECONo='%s'", SqlQuote(m_strGroup),
               SqlQuote(number));
    if (!theApp.ExecuteSql(sql)) {
        SayUnlessConnectionLost("不能正常删除编号...");
        return 0;
    }
    return 1;
}

CString CECONumbering::GetProductCodeByStyle(CString style) {
    CString sql;
    sql.Format("SELECT ProductCode FROM ProductGroup WHERE ProductStyle='%s'", SqlQuote(style));
    return theApp.GetSqlString(sql);
}

int CECONumbering::ApplyNumber(CString& number) {
    if (m_strProductStyle.IsEmpty()) {
        AfxMessageBox("编号是根据产品型号来自动生成的，产品型号不能为空...");
        return 0;
    }
    if (!number.IsEmpty()) {
        if (vq::ShowMessageBox("操作提示", "编号已申请，是否撤消已申请的编号?", MB_YESNO | MB_ICONQUESTION) !=
            IDYES)
            return 0;
        if (!DeleteSerialNo(number)) {
            SayUnlessConnectionLost("不能删除已申请的编号...");
            return 0;
        }
        number.Empty();
    }
    CString prefix;
    if (m_nNoMode == 1) {
        prefix = m_strProductStyle;
    } else if (m_nNoMode == 3) {
        prefix = GetProductCodeByStyle(m_strProductStyle);
        if (prefix.IsEmpty()) {
            SayUnlessConnectionLost("该产品型号无指定的产品代号...");
            return 0;
        }
    }
    const CString result = ApplySerialNo(prefix + m_strNoSeparator + m_strYear);
    if (result.IsEmpty()) {
        SayUnlessConnectionLost("申请编号未成功...");
        return 0;
    }
    if (m_nNoMode == 2)
        number.Format("%s%s", m_strProductStyle, result);
    else
        number = result;
    return 1;
}

CString CECONumbering::ApplyPersonalNumber() {
    if (m_strPersonalCode.IsEmpty()) {
        AfxMessageBox("个人代号不能为空...");
        return CString();
    }
    CString series;
    series.Format("%s%s", m_strYear, m_strPersonalCode);
    const CString number = ApplySerialNo(series);
    if (number.IsEmpty())
        SayUnlessConnectionLost("申请编号未成功...");
    return number;
}
