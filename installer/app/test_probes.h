// Test builds only: hooks that let end-to-end tests reach pieces of the
// installer that no switch exposes. Compiled out of release builds.
#pragma once

namespace lite_installer {

// Runs the probe a KELMOR_TEST_* hook asks for; true when the process
// should end now with `*exit_code`.
bool RunTestProbes(int* exit_code);

}  // namespace lite_installer
