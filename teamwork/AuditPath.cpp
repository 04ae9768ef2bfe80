#include "teamwork/AuditPath.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "teamwork/LeadingNumber.h"

const char* const kAuditListSeparator = "|*|";
const char* const kMixedAuditStyle = "混合";

namespace {

constexpr int kSeparatorLength = 3;

// The step name as steps are compared: upper case, cut before "[M]".
CString ComparisonName(const CString& stepName) {
    return StoredStepName(stepName);
}

} // namespace

void SplitAuditList(const CString& text, CStringArray& entries) {
    CString rest = text;
    while (!rest.IsEmpty()) {
        const int at = rest.Find(kAuditListSeparator);
        if (at < 0) {
            entries.Add(rest);
            break;
        }
        entries.Add(rest.Left(at));
        rest = rest.Mid(at + kSeparatorLength);
    }
}

AuditPathEntry ParseAuditPathEntry(const CString& entry) {
    AuditPathEntry parsed;
    const int open = entry.Find('(');
    if (open < 0)
        return parsed;
    parsed.name = entry.Left(open);
    const CString position = entry.Mid(open + 1);
    const int comma = position.Find(',');
    if (comma < 0) {
        parsed.left = LeadingSignedInt(position);
        return parsed;
    }
    parsed.left = LeadingSignedInt(position.Left(comma));
    // The closing ")" is the entry's last character; what lies before it is the top.
    const int topLength = position.GetLength() - comma - 2;
    if (topLength > 0)
        parsed.top = LeadingSignedInt(position.Mid(comma + 1, topLength));
    return parsed;
}

CString StoredStepName(const CString& stepName) {
    CString name = stepName;
    name.MakeUpper();
    const int mark = name.Find("[M]");
    if (mark >= 0)
        name = name.Left(mark);
    return name;
}

int GetAuditorIndex(const CString& listText, CString stepName) {
    stepName.Replace("[M]", "");
    stepName.Replace("[N]", "");
    CString list = listText;
    list.MakeUpper();
    stepName.MakeUpper();
    const int at = list.Find(stepName + "(");
    if (at < 0)
        return 0;
    int index = 0;
    for (int from = list.Find(kAuditListSeparator); from >= 0 && from < at;
         from = list.Find(kAuditListSeparator, from + kSeparatorLength))
        ++index;
    return index;
}

CAuditPath::~CAuditPath() {
    ClearAuditPath();
}

void CAuditPath::Load(const CString& style, const CString& pathText, const CString& auditorText,
                      const CString& currentStep) {
    ClearAuditPath();
    m_strAuditingStyle = style;
    m_strAuditingPath = pathText;
    m_strAuditorName = auditorText;
    m_strCurrentTask = currentStep;
    m_nCurrentLevel = -1;
    m_bValidPath = 1;
    m_arrPeerSteps.RemoveAll();
    m_arrNextSteps.RemoveAll();
    SplitList();
    BuildAuditPath();
    CollectLowerLevelSteps();
}

void CAuditPath::ClearAuditPath() {
    for (CObject* item : m_arrItems)
        delete item;
    m_arrItems.RemoveAll();
}

void CAuditPath::SplitList() {
    m_arrAuditors.RemoveAll();
    SplitAuditList(m_strAuditorName, m_arrAuditors);
}

void CAuditPath::BuildAuditPath() {
    if (m_strAuditingPath.IsEmpty()) {
        m_bValidPath = 0;
        return;
    }
    CStringArray entries;
    SplitAuditList(m_strAuditingPath, entries);
    for (const CString& entry : entries)
        AddAuditPathItem(entry);
}

void CAuditPath::AddAuditPathItem(const CString& entry) {
    auto* item = new AuditPathItem;
    const AuditPathEntry parsed = ParseAuditPathEntry(entry);
    item->m_strTaskName = parsed.name;
    item->m_nLevel = parsed.top;
    const int index = GetCount();
    if (index < m_arrAuditors.GetSize()) {
        item->m_strAuditor = m_arrAuditors[index];
    } else {
        m_bValidPath = 0;
    }
    if (IsCurrentStep(*item))
        m_nCurrentLevel = item->m_nLevel;
    m_arrItems.Add(item);
}

void CAuditPath::AddStep(const CString& name, const CString& auditor, int level) {
    auto* item = new AuditPathItem;
    item->m_strTaskName = name;
    item->m_strAuditor = auditor;
    item->m_nLevel = level;
    m_arrItems.Add(item);
}

bool CAuditPath::IsMixed() const {
    return m_strAuditingStyle == kMixedAuditStyle;
}

CString CAuditPath::AuditorOfStep(const CString& name) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetItem(i)->m_strTaskName.CompareNoCase(name) == 0)
            return GetItem(i)->m_strAuditor;
    return CString();
}

const AuditPathItem* CAuditPath::GetItem(int index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return static_cast<const AuditPathItem*>(m_arrItems[index]);
}

bool CAuditPath::IsCurrentStep(const AuditPathItem& item) const {
    return ComparisonName(item.m_strTaskName).CompareNoCase(m_strCurrentTask) == 0;
}

void CAuditPath::CollectLowerLevelSteps() {
    m_arrLowerSteps.RemoveAll();
    if (!IsMixed())
        return;
    for (int i = 0; i < GetCount(); ++i)
        if (GetItem(i)->m_nLevel < m_nCurrentLevel)
            m_arrLowerSteps.Add(GetItem(i)->m_strTaskName);
}

void CAuditPath::CollectPeerSteps() {
    m_arrPeerSteps.RemoveAll();
    const bool mixed = IsMixed();
    for (int i = 0; i < GetCount(); ++i) {
        const AuditPathItem& item = *GetItem(i);
        if (IsCurrentStep(item))
            continue;
        if (!mixed || item.m_nLevel == m_nCurrentLevel)
            m_arrPeerSteps.Add(item.m_strTaskName);
    }
}

void CAuditPath::CollectNextLevelSteps() {
    m_arrNextSteps.RemoveAll();
    if (!IsMixed())
        return;
    int i = 0;
    while (i < GetCount() && GetItem(i)->m_nLevel <= m_nCurrentLevel)
        ++i;
    if (i == GetCount())
        return;
    const int nextLevel = GetItem(i)->m_nLevel;
    for (; i < GetCount(); ++i)
        if (GetItem(i)->m_nLevel == nextLevel)
            m_arrNextSteps.Add(GetItem(i)->m_strTaskName);
}

void CAuditPath::CollectFirstLevelSteps(CStringArray& names, CStringArray& auditors) const {
    names.RemoveAll();
    auditors.RemoveAll();
    if (GetCount() == 0)
        return;
    const int firstLevel = GetItem(0)->m_nLevel;
    for (int i = 0; i < GetCount(); ++i) {
        const AuditPathItem& item = *GetItem(i);
        if (IsMixed() && item.m_nLevel != firstLevel)
            continue;
        names.Add(item.m_strTaskName);
        auditors.Add(item.m_strAuditor);
    }
}

int CheckPeerStepRows(const CStringArray& peerSteps, bool hasNextLevel, const CStringArray& rowNames,
                      const CStringArray& rowOutcomes, const CStringArray& rowWorking, CString& heldStep) {
    heldStep.Empty();
    for (const CString& peer : peerSteps) {
        const CString stored = StoredStepName(peer);
        for (int i = 0; i < rowNames.GetSize(); ++i) {
            if (rowNames[i].CompareNoCase(stored) != 0)
                continue;
            // A step that has passed counts whatever its mark says: the mark of a window not yet
            // closed (or of a client gone after its decision) cannot hold the level back.
            if (rowOutcomes[i] == "已完成|通过")
                continue;
            if (rowWorking[i] == "T")
                heldStep = rowNames[i];
            return 0;
        }
    }
    return hasNextLevel ? 1 : 2;
}

void SayStepNotMarked() {
    // Only the causes this text names: any other (a lost connection, a missing column) the
    // database's box before it has named.
    const DbFailure cause = LastReportedDbFailure();
    if (theApp.m_bConnectionLost || (cause != DbFailure::ReadOnly && cause != DbFailure::Busy))
        return;
    AfxMessageBox(
        "不能将该评审任务标记为正在评审：数据库现在是只读的或被锁定，在此写下的评审结果将不能保存。\n"
        "请稍后重新打开评审窗口。");
}
