// Reports a system library or function that is missing when it is first
// used (the installer loads nearly every system library on first use).
#pragma once

namespace lite_installer {

// Installs the notification and failure hooks of the delay-load helper.
// Call first thing in the process.
void InstallDelayLoadHooks();

}  // namespace lite_installer
