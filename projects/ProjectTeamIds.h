// Control ids of the project group member dialog and of the member picker, for their code and
// their tests.
#pragma once

namespace projects::team_ids {

constexpr int kProjectNoLabel = 1201;
constexpr int kProjectNo = 1202;
constexpr int kTaskNoLabel = 1203;
constexpr int kTaskNo = 1204;
constexpr int kChooseGroup = 1205;
constexpr int kTree = 1206;
constexpr int kAddMembers = 1207;
constexpr int kDeleteMember = 1208;
constexpr int kSetRights = 1209;
constexpr int kRefreshFromWork = 1210;

// Commands of the tree's context menus.
constexpr unsigned kExpandCommand = 1;
constexpr unsigned kLeaderCommand = 2;

} // namespace projects::team_ids
