// The stack that tree dialogs fill their trees with.
#include "controls/TreeStack.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TreeStackTest : public ::testing::Test {
protected:
    std::unique_ptr<CTreeStack> stack = std::make_unique<CTreeStack>();
    vqtest::MessageBoxRecorder boxes;
};

TEST_F(TreeStackTest, EntriesComeBackLastInFirstOut) {
    stack->Init();
    EXPECT_TRUE(stack->IsEmpty());
    CTreeCtrlEx tree;
    const auto node = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(0x40));
    stack->Push(CTreeCursor(node, &tree), "P1", "产品A", 1);
    stack->Push(CTreeCursor(), "B2", "部件B", 2);
    EXPECT_FALSE(stack->IsEmpty());
    EXPECT_EQ(stack->GetCount(), 2);

    CTreeStackItem top = stack->GetTop();
    EXPECT_EQ(top.m_code, "B2");
    EXPECT_EQ(top.m_number, 2);
    EXPECT_EQ(stack->GetTop().m_code, "B2"); // looking does not remove
    EXPECT_FALSE(stack->Drop());
    top = stack->GetTop();
    EXPECT_EQ(top.m_code, "P1");
    EXPECT_EQ(top.m_name, "产品A");
    EXPECT_EQ(top.m_cursor.m_item, node);
    EXPECT_EQ(top.m_cursor.m_tree, &tree);
    EXPECT_FALSE(stack->Drop());
    EXPECT_TRUE(stack->IsEmpty());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(TreeStackTest, AnEmptyStackGivesAnEmptyEntryAndRefusesToDrop) {
    stack->Init();
    const CTreeStackItem top = stack->GetTop();
    EXPECT_EQ(top.m_cursor.m_item, nullptr);
    EXPECT_TRUE(top.m_code.IsEmpty());
    EXPECT_TRUE(top.m_name.IsEmpty());
    EXPECT_EQ(top.m_number, 0);
    EXPECT_TRUE(stack->Drop());
    EXPECT_TRUE(stack->IsEmpty());
    // Still usable afterwards.
    stack->Push(CTreeCursor(), "A", "a", 7);
    EXPECT_EQ(stack->GetTop().m_number, 7);
}

// Trees of thousands of nodes wait on the stack at once: every entry is kept, none is refused
// with a message, and they come back in order.
TEST_F(TreeStackTest, HoldsAsManyEntriesAsATreeNeedsWithoutMessages) {
    constexpr int kMany = 10000;
    stack->Init();
    for (int i = 0; i < kMany; ++i)
        stack->Push(CTreeCursor(), CString(vq::FormatV("%d", i)), "", i);
    EXPECT_EQ(stack->GetCount(), kMany);
    EXPECT_EQ(stack->GetTop().m_number, kMany - 1);

    // Dropping and pushing again keeps the order; the first entry pushed is the last to come back.
    EXPECT_FALSE(stack->Drop());
    stack->Push(CTreeCursor(), "again", "", -1);
    EXPECT_EQ(stack->GetTop().m_code, "again");
    int drops = 0, previous = kMany;
    while (!stack->IsEmpty()) {
        const int number = stack->GetTop().m_number;
        if (number >= 0) {
            EXPECT_LT(number, previous);
            previous = number;
        }
        stack->Drop();
        ++drops;
    }
    EXPECT_EQ(drops, kMany);
    EXPECT_EQ(previous, 0);
    EXPECT_TRUE(boxes.Shown().empty());

    // Init empties a stack that still holds entries.
    stack->Push(CTreeStackItem{});
    stack->Init();
    EXPECT_TRUE(stack->IsEmpty());
}

// A walk that meets cycles at many nodes tells of the first only; the next walk tells again.
TEST_F(TreeStackTest, ACycleNoticeShowsOneMessageAWalk) {
    CTreeCycleNotice notice;
    boxes.Expect("图号: A 在: P1||A||A1|| 处出现循环，请检查设计图纸...");
    for (int use = 0; use < 100; ++use)
        notice.Report("A", "P1||A||A1||");
    notice.Report("B", "P1||B||B1||");
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(boxes.Shown().size(), 1u);

    notice.Reset();
    boxes.Expect("图号: B 在:");
    notice.Report("B", "P1||B||B1||");
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(boxes.Shown().size(), 2u);
}

} // namespace
