// The settings of a change-order group ("更改单" change notice, "修改单" modification notice)
// from ECOConfigure, and the mappings of the priority level and the review type between the
// forms and the stored texts.
#pragma once

#include "platform/base/String.h"
#include "teamwork/LeadingNumber.h" // the settings' numbers are read with LeadingSignedInt

extern const char* const kChangeNoticeGroup; // "更改单"
extern const char* const kModifyNoticeGroup; // "修改单"

// Review modes of a group ("评审方式").
enum ECOReviewMode {
    kReviewByGroup = 0,   // the configured template and auditors
    kReviewPerOrder = 1,  // chosen per order with the review-flow dialog
    kReviewNone = 2,      // no review: a formal order is published at once
    kReviewConfigured = 3 // the configured template, stored as per order
};

// True for the modes whose orders go through a review flow (by the group's template or per order).
bool HasReview(int reviewMode);

// For a group whose orders are reviewed: true when its review template is set and defined in
// AuditingManage; otherwise says what is missing and that the group's orders cannot be
// registered. True for a group without review.
bool ReviewConfigureConsistent(const char* group, int reviewMode, const CString& model);

class CECOConfigure {
public:
    // Reads the rows of the group; types not listed are ignored, a repeated type: the later row
    // read wins. A value missing keeps its default. Returns 0 after a database error (shown).
    int LoadConfigure(const CString& group);

    int m_nReviewMode = kReviewNone; // "评审方式"
    CString m_strCfgAuditingModel;   // "评审流程"
    CString m_strCfgAuditorName;     // "评审人员"
    int m_nNoWidth = 1;              // "编号宽度", at least 1
    CString m_strNoSeparator = "-";  // "编号分隔"
    int m_nNoMode = 0;               // "编号方式", at least 0
};

// 0 "普通", 1 "中等", any other "优先"; and back: "普通" 0, "中等" 1, any other text 2.
CString ECOLevelText(int level);
int ECOLevelIndex(const CString& text);

// 0 "按组", 1 or 3 "按单", any other "无"; and back: "按组" 0, "按单" 1, any other text 2.
CString AuditingTypeText(int reviewMode);
int ReviewModeOfAuditingType(const CString& text);
