// When setup must run with administrator rights, and how the elevated
// instance is started.
#pragma once

#include <windows.h>

namespace lite_installer {

bool NeedStartThisProcessAsAdmin();
// True when the token of `process` has the built-in Administrators group,
// whatever the group's attributes (a deny-only group of a filtered token
// counts).
bool IsUserAnAdminGroup(HANDLE process);

}  // namespace lite_installer
