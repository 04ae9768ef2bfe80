// Control ids of the design project management dialog, for its code and its tests.
#pragma once

namespace projects::manage_ids {

constexpr int kManagerButton = 1101;
constexpr int kManagerEdit = 1102;
constexpr int kStateList = 1103;
constexpr int kRefresh = 1104;
constexpr int kProjectList = 1105;
constexpr int kAddProject = 1106;
constexpr int kModifyProject = 1107;
constexpr int kDeleteProject = 1108;

} // namespace projects::manage_ids
