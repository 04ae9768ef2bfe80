// The table of entry functions as the host's menus show it: grouped by subsystem in the groups'
// order, in the table's order within a group, each entry by its title beside its name.
#include "platform/os/EntryTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const vq::EntrySubsystem kFirst{1, "零部件"};
const vq::EntrySubsystem kSecond{2, "审核"};

vq::EntryInfo Entry(const char* name, const char* title, const vq::EntrySubsystem* subsystem) {
    vq::EntryInfo info{};
    info.name = name;
    info.title = title;
    info.subsystem = subsystem;
    return info;
}

} // namespace

TEST(EntryTable, GroupsBySubsystemOrderAndKeepsTheTablesOrderWithinAGroup) {
    const vq::EntryInfo table[] = {Entry("Zeta", "", &kSecond), Entry("Alpha", "甲", nullptr),
                                   Entry("Import", "导入", &kFirst), Entry("Browse", "浏览", &kFirst),
                                   Entry("Audit", "审核历史", &kSecond)};
    const auto groups = vq::GroupEntries(table, 5);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].title, "零部件");
    EXPECT_EQ(groups[1].title, "审核");
    EXPECT_EQ(groups[2].title, "其他") << "entries without a subsystem come last";
    std::vector<std::string> names;
    for (const auto& group : groups)
        for (const auto* entry : group.entries)
            names.push_back(entry->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Import", "Browse", "Zeta", "Audit", "Alpha"}));
    EXPECT_TRUE(vq::GroupEntries(table, 0).empty());
}

TEST(EntryTable, ArgumentNamesAreReadByPosition) {
    vq::EntryInfo entry = Entry("DoIt", "", nullptr);
    entry.arguments = "文档编号|登录帐号||步骤";
    EXPECT_EQ(vq::EntryArgumentName(entry, 0), "文档编号");
    EXPECT_EQ(vq::EntryArgumentName(entry, 1), "登录帐号");
    EXPECT_EQ(vq::EntryArgumentName(entry, 2), "");
    EXPECT_EQ(vq::EntryArgumentName(entry, 3), "步骤");
    EXPECT_EQ(vq::EntryArgumentName(entry, 4), "") << "past the last name";
    entry.arguments = nullptr;
    EXPECT_EQ(vq::EntryArgumentName(entry, 0), "");
}

TEST(EntryTable, MenuTextShowsTheTitleBesideTheName) {
    EXPECT_EQ(vq::EntryMenuText(Entry("ImportProductDataFromFile", "产品结构数据导入", nullptr)),
              "产品结构数据导入  ImportProductDataFromFile");
    EXPECT_EQ(vq::EntryMenuText(Entry("Plain", "", nullptr)), "Plain");
}

TEST(EntryTable, TheLibrarysEntriesAllCarryATitleAndASubsystem) {
    int count = 0;
    const vq::EntryInfo* entries = VqEntryTable(&count);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        EXPECT_STRNE(entries[i].title, "") << entries[i].name;
        EXPECT_NE(entries[i].subsystem, nullptr) << entries[i].name;
        // Described by the system's table: in its order, one name for each argument.
        EXPECT_LT(entries[i].rank, 1 << 30) << entries[i].name;
        if (i > 0) {
            EXPECT_LT(entries[i - 1].rank, entries[i].rank) << entries[i].name;
        }
        const int arguments = static_cast<int>(std::strlen(entries[i].signature));
        for (int a = 0; a < arguments; ++a)
            EXPECT_FALSE(vq::EntryArgumentName(entries[i], a).IsEmpty()) << entries[i].name << " " << a;
        EXPECT_TRUE(vq::EntryArgumentName(entries[i], arguments).IsEmpty()) << entries[i].name;
    }
}
