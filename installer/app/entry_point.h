// The installer process from start to exit code.
#pragma once

#include <windows.h>

namespace lite_installer {

int RunLiteInstaller();

// Brings the first top-level window of a process to the front.
void BringProcessWindowToTop(DWORD process_id);

enum class CpuSupport { kSupported, kNoSse2, kNoSse3 };
CpuSupport DetectCpuSupport();

// The master process id in the image section shared by every process of
// this executable file.
DWORD GetMasterProcessId();

}  // namespace lite_installer
