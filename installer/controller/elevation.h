// When setup must run with administrator rights, and how the elevated
// instance is started.
#pragma once

#include <windows.h>

#include "installer/config/installer_options.h"

namespace lite_installer {

// Whether setup must run through an elevated instance on this run.
bool NeedStartThisProcessAsAdmin(const InstallerOptions& options);
// True when the token of `process` has the built-in Administrators group,
// whatever the group's attributes (a deny-only group of a filtered token
// counts).
bool IsUserAnAdminGroup(HANDLE process);

}  // namespace lite_installer
