// Control ids of the task query dialog, for its code and its tests.
#pragma once

namespace projects::query_ids {

constexpr int kUserEdit = 1301;
constexpr int kPickUser = 1302;
constexpr int kGivenUser = 1303;
constexpr int kAllUsers = 1304;
constexpr int kThisProject = 1305;
constexpr int kAllProjects = 1306;
constexpr int kList = 1307;

} // namespace projects::query_ids
