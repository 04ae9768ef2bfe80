#include "changeorders/ECOConfigure.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "teamwork/LeadingNumber.h"

const char* const kChangeNoticeGroup = "更改单";
const char* const kModifyNoticeGroup = "修改单";

int CECOConfigure::LoadConfigure(const CString& group) {
    CString sql;
    sql.Format("SELECT ConfigureType,ConfigureValue FROM ECOConfigure WHERE ConfigureGroup='%s'",
               SqlQuote(group));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            // The type is compared exactly, case and all.
            const CString type = VariantToString(rs->GetCollect(0L));
            const CString value = VariantToString(rs->GetCollect(1L));
            if (type == "评审方式") {
                m_nReviewMode = LeadingSignedInt(value);
            } else if (type == "评审流程") {
                m_strCfgAuditingModel = value;
            } else if (type == "评审人员") {
                m_strCfgAuditorName = value;
            } else if (type == "编号宽度") {
                m_nNoWidth = LeadingSignedInt(value);
                if (m_nNoWidth < 1)
                    m_nNoWidth = 1;
            } else if (type == "编号分隔") {
                m_strNoSeparator = value;
            } else if (type == "编号方式") {
                m_nNoMode = LeadingSignedInt(value);
                if (m_nNoMode < 0)
                    m_nNoMode = 0;
            }
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    return 1;
}

CString ECOLevelText(int level) {
    return level == 0 ? "普通" : level == 1 ? "中等" : "优先";
}

int ECOLevelIndex(const CString& text) {
    return text == "普通" ? 0 : text == "中等" ? 1 : 2;
}

CString AuditingTypeText(int reviewMode) {
    if (reviewMode == kReviewByGroup)
        return "按组";
    if (reviewMode == kReviewPerOrder || reviewMode == kReviewConfigured)
        return "按单";
    return "无";
}

int ReviewModeOfAuditingType(const CString& text) {
    return text == "按组" ? kReviewByGroup : text == "按单" ? kReviewPerOrder : kReviewNone;
}

bool HasReview(int reviewMode) {
    return reviewMode == kReviewByGroup || reviewMode == kReviewPerOrder;
}

bool ReviewConfigureConsistent(const char* group, int reviewMode, const CString& model) {
    if (!HasReview(reviewMode))
        return true;
    bool consistent = true;
    if (model.IsEmpty()) {
        AfxMessageBox(CString(group) + "设定为有评审流程，但无设定的流程模板，不能进行...");
        consistent = false;
    } else if (theApp.GetSqlInt("SELECT count(*) FROM AuditingManage WHERE AuditingModel='" + SqlQuote(model) +
                                "'") < 1) {
        AfxMessageBox("无评审流程模板：" + model + " 的定制信息...");
        consistent = false;
    }
    if (!consistent)
        AfxMessageBox("评审配置不一致，不能进行" + CString(group) + "注册...");
    return consistent;
}
