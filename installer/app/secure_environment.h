// DLL-search hardening, done first thing at start-up.
#pragma once

#include <windows.h>

namespace lite_installer {

enum SecureEnvironmentStatus {
  kSecureEnvironmentInsecure = 0,      // the protected copy failed or exited with -200
  kSecureEnvironmentNotFound = 1,      // no secure mode: go on in place
  kSecureEnvironmentSet = 2,           // secure mode is set
  kSecureEnvironmentDllsFound = 3,     // a DLL lies beside the executable
  kSecureEnvironmentCopyFinished = 4,  // the protected copy ran the installation
};

SecureEnvironmentStatus SetupSecureEnvironment(int* exit_code);

// The fallback when the modern DLL-search functions are missing.
SecureEnvironmentStatus RunInProtectedDirectory(int* exit_code);

}  // namespace lite_installer
