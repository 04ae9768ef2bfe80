// Review paths: the "|*|" lists, the entries, the stored step names, and the level, peer and
// next-level sets of mixed, plain and multi-level paths.
#include "teamwork/AuditPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const CStringArray& list) {
    std::vector<std::string> out;
    for (const CString& s : list)
        out.push_back(s.str());
    return out;
}

using Names = std::vector<std::string>;

const char* const kMixedABC = "A(10,20)|*|B(10,80)|*|C(200,80)";

struct Loaded {
    CAuditPath path;
    Loaded(const char* style, const char* text, const char* auditors, const char* current) {
        path.Load(style, text, auditors, current);
        path.CollectPeerSteps();
        path.CollectNextLevelSteps();
    }
};

} // namespace

TEST(AuditPathList, SeparatorsGiveEmptyEntriesExceptAtTheEnd) {
    CStringArray entries;
    SplitAuditList("a|*||*|b|*|", entries);
    EXPECT_EQ(Texts(entries), (Names{"a", "", "b"}));
    entries.RemoveAll();
    SplitAuditList("|*|a", entries);
    EXPECT_EQ(Texts(entries), (Names{"", "a"}));
    entries.RemoveAll();
    SplitAuditList("", entries);
    EXPECT_TRUE(entries.IsEmpty());
    entries.RemoveAll();
    SplitAuditList("单一", entries);
    EXPECT_EQ(Texts(entries), (Names{"单一"}));
}

TEST(AuditPathEntry, NamePositionsAndDamagedEntries) {
    AuditPathEntry e = ParseAuditPathEntry("审核[N](40,120)");
    EXPECT_EQ(e.name, "审核[N]");
    EXPECT_EQ(e.left, 40);
    EXPECT_EQ(e.top, 120);
    // No "(": an empty step.
    e = ParseAuditPathEntry("校对");
    EXPECT_EQ(e.name, "");
    EXPECT_EQ(e.left, 0);
    EXPECT_EQ(e.top, 0);
    // No ",": the level is 0, the left stays readable.
    e = ParseAuditPathEntry("X(40)");
    EXPECT_EQ(e.name, "X");
    EXPECT_EQ(e.top, 0);
    // A level that is not a number, and an entry cut right after the comma.
    EXPECT_EQ(ParseAuditPathEntry("X(40,abc)").top, 0);
    EXPECT_EQ(ParseAuditPathEntry("X(40,").top, 0);
    EXPECT_EQ(ParseAuditPathEntry("X(40,7").top, 0) << "the last character is taken for the closing bracket";
    EXPECT_EQ(ParseAuditPathEntry("X(,35x)").top, 35) << "leading digits";
    EXPECT_EQ(ParseAuditPathEntry("X(1,99999999999)").top, 2147483647);
}

TEST(AuditPathStepName, UpperCaseCutBeforeTheMixedMarkOnly) {
    EXPECT_EQ(StoredStepName("check[M]x"), "CHECK");
    EXPECT_EQ(StoredStepName("check[n]"), "CHECK[N]");
    EXPECT_EQ(StoredStepName("审核[m]"), "审核");
    EXPECT_EQ(StoredStepName("批准"), "批准");
}

TEST(AuditPathIndex, PositionOfAStepAmongTheEntries) {
    const CString path = "校对(40,20)|*|审核[M](40,110)|*|check(240,110)|*|批准(40,200)";
    EXPECT_EQ(GetAuditorIndex(path, "校对"), 0);
    EXPECT_EQ(GetAuditorIndex(path, "CHECK"), 2);
    EXPECT_EQ(GetAuditorIndex(path, "批准[N]"), 3);
    EXPECT_EQ(GetAuditorIndex(path, "不存在"), 0);
    // The marks are taken off the name only, so a marked entry is not found by its bare name.
    EXPECT_EQ(GetAuditorIndex(path, "审核"), 0);
}

TEST(AuditPathSets, MixedPathAroundTheSecondLevel) {
    Loaded l("混合", kMixedABC, "u1|*|u2|*|u3", "b");
    EXPECT_TRUE(l.path.m_bValidPath);
    EXPECT_EQ(l.path.m_nCurrentLevel, 80);
    EXPECT_EQ(Texts(l.path.m_arrLowerSteps), (Names{"A"}));
    EXPECT_EQ(Texts(l.path.m_arrPeerSteps), (Names{"C"}));
    EXPECT_TRUE(l.path.m_arrNextSteps.IsEmpty());
    EXPECT_EQ(l.path.GetItem(2)->m_strAuditor, "u3");
}

TEST(AuditPathSets, MixedPathAroundTheFirstLevel) {
    Loaded l("混合", kMixedABC, "u1|*|u2|*|u3", "A");
    EXPECT_EQ(l.path.m_nCurrentLevel, 20);
    EXPECT_TRUE(l.path.m_arrLowerSteps.IsEmpty());
    EXPECT_TRUE(l.path.m_arrPeerSteps.IsEmpty());
    EXPECT_EQ(Texts(l.path.m_arrNextSteps), (Names{"B", "C"}));
}

TEST(AuditPathSets, PlainPathHasOnlyPeers) {
    Loaded l("并联", kMixedABC, "u1|*|u2|*|u3", "A");
    EXPECT_TRUE(l.path.m_arrLowerSteps.IsEmpty());
    EXPECT_TRUE(l.path.m_arrNextSteps.IsEmpty());
    EXPECT_EQ(Texts(l.path.m_arrPeerSteps), (Names{"B", "C"}));
}

TEST(AuditPathSets, NextLevelIsTheFirstHigherStepInPathOrder) {
    Loaded l("混合", "A(0,20)|*|D(0,140)|*|B(0,80)|*|E(90,140)|*|C(90,80)", "1|*|2|*|3|*|4|*|5", "a");
    EXPECT_EQ(Texts(l.path.m_arrNextSteps), (Names{"D", "E"}));
}

TEST(AuditPathSets, ThreeLevelsWithMarkedSteps) {
    const char* text = "校对(40,20)|*|审核[M](40,110)|*|工艺[N](240,110)|*|批准(40,200)";
    Loaded l("混合", text, "zl|*|设计一室|*|ww|*|admin", "审核");
    EXPECT_EQ(l.path.m_nCurrentLevel, 110) << "X matches X[M]";
    EXPECT_EQ(Texts(l.path.m_arrLowerSteps), (Names{"校对"}));
    EXPECT_EQ(Texts(l.path.m_arrPeerSteps), (Names{"工艺[N]"}));
    EXPECT_EQ(Texts(l.path.m_arrNextSteps), (Names{"批准"}));
    Loaded n("混合", text, "zl|*|设计一室|*|ww|*|admin", "工艺");
    EXPECT_EQ(n.path.m_nCurrentLevel, -1) << "X does not match X[N]";
    Loaded last("混合", text, "zl|*|设计一室|*|ww|*|admin", "批准");
    EXPECT_EQ(Texts(last.path.m_arrLowerSteps), (Names{"校对", "审核[M]", "工艺[N]"}));
    EXPECT_TRUE(last.path.m_arrNextSteps.IsEmpty());
}

TEST(AuditPathValidity, ShortAuditorListsAndEmptyPaths) {
    Loaded shortList("混合", kMixedABC, "u1", "A");
    EXPECT_FALSE(shortList.path.m_bValidPath);
    EXPECT_EQ(shortList.path.GetItem(1)->m_strAuditor, "");
    EXPECT_EQ(shortList.path.GetItem(2)->m_strAuditor, "");
    Loaded empty("混合", "", "u1", "A");
    EXPECT_FALSE(empty.path.m_bValidPath);
    EXPECT_EQ(empty.path.GetCount(), 0);
    EXPECT_EQ(empty.path.m_nCurrentLevel, -1);
    // A damaged entry stays a step, so the auditors of the later entries keep their places.
    Loaded damaged("混合", "A(0,20)|*|坏条目|*|C(0,abc)", "u1|*|u2|*|u3", "C");
    EXPECT_EQ(damaged.path.GetCount(), 3);
    EXPECT_EQ(damaged.path.GetItem(2)->m_strAuditor, "u3");
    EXPECT_EQ(damaged.path.m_nCurrentLevel, 0);
    EXPECT_TRUE(damaged.path.m_bValidPath);
    // Loading again starts from a fresh state.
    damaged.path.Load("混合", kMixedABC, "u1|*|u2|*|u3", "B");
    EXPECT_TRUE(damaged.path.m_bValidPath);
    EXPECT_EQ(damaged.path.GetCount(), 3);
    EXPECT_EQ(damaged.path.m_nCurrentLevel, 80);
}

TEST(AuditPathFirstSteps, FirstLevelInMixedPathsEveryStepOtherwise) {
    CAuditPath path;
    path.Load("混合", "A(0,80)|*|B(0,20)|*|C(90,80)", "u1|*|u2|*|u3", "");
    CStringArray names, auditors;
    path.CollectFirstLevelSteps(names, auditors);
    EXPECT_EQ(Texts(names), (Names{"A", "C"})) << "the first entry's level, wherever it stands";
    EXPECT_EQ(Texts(auditors), (Names{"u1", "u3"}));
    path.m_strAuditingStyle = "并联";
    path.CollectFirstLevelSteps(names, auditors);
    EXPECT_EQ(Texts(names), (Names{"A", "B", "C"}));
    path.Load("混合", "", "", "");
    path.CollectFirstLevelSteps(names, auditors);
    EXPECT_TRUE(names.IsEmpty());
}

TEST(AuditPathPeerRows, GroupStepsAreWaitedForInTheirStoredForm) {
    CStringArray peers, names, outcomes, working;
    for (const char* peer : {"会审[m]", "标准化"})
        peers.Add(peer);
    // The group step's row carries the cut name; it is still open.
    names.Add("会审");
    outcomes.Add("未完成|");
    working.Add("F");
    CString held;
    EXPECT_EQ(CheckPeerStepRows(peers, true, names, outcomes, working, held), 0);
    EXPECT_TRUE(held.IsEmpty());
    // Open and held by a reviewer who reads it: the pass waits and names the step.
    working[0] = "T";
    EXPECT_EQ(CheckPeerStepRows(peers, true, names, outcomes, working, held), 0);
    EXPECT_EQ(held, "会审");
    // Returned to for a new review and not free again yet: the pass waits for it as well.
    outcomes[0] = "未完成|不通过-返";
    EXPECT_EQ(CheckPeerStepRows(peers, true, names, outcomes, working, held), 0);
    EXPECT_EQ(held, "会审");
    // Passed: its mark (a window not closed yet, a client gone) holds nothing back; 标准化 has no
    // row and does not hold the pass back either.
    outcomes[0] = "已完成|通过";
    for (const char* mark : {"T", "F"}) {
        working[0] = mark;
        EXPECT_EQ(CheckPeerStepRows(peers, true, names, outcomes, working, held), 1);
        EXPECT_EQ(CheckPeerStepRows(peers, false, names, outcomes, working, held), 2);
        EXPECT_TRUE(held.IsEmpty());
    }
}

TEST(AuditPathPeerRows, AuditorOfAStepByNameWithoutCase) {
    CAuditPath path;
    path.Load("混合", "a(0,20)|*|B[M](90,20)|*|a(0,80)", "u1|*|grp|*|u3", "a");
    EXPECT_EQ(path.AuditorOfStep("A"), "u1");
    EXPECT_EQ(path.AuditorOfStep("b[m]"), "grp");
    EXPECT_EQ(path.AuditorOfStep("C"), "");
}
