// The structured-exception guard's record of delay-load failures, which the
// download client reports (DLL and procedure names).
#include <gtest/gtest.h>
#include <windows.h>
#include <delayimp.h>

#include <cstring>

#include "base/seh_guard.h"

namespace base {
namespace {

void RaiseWith(DWORD code, const DelayLoadInfo* info) {
  const ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
  ::RaiseException(code, 0, info ? 1 : 0, info ? &argument : nullptr);
}

DelayLoadInfo MakeInfo(const char* dll, const char* proc) {
  DelayLoadInfo info = {};
  info.cb = sizeof(info);
  info.szDll = dll;
  info.dlp.fImportByName = proc != nullptr;
  if (proc)
    info.dlp.szProcName = proc;
  else
    info.dlp.dwOrdinal = 12;
  return info;
}

TEST(SehGuardDelayLoadTest, ModuleNotFoundRecordsBothNames) {
  const DelayLoadInfo info = MakeInfo("cplib.dll", "CryptoProInit");
  SehFailure failure;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(kDelayLoadModuleNotFound, &info); }, &failure));
  EXPECT_EQ(failure.code, kDelayLoadModuleNotFound);
  EXPECT_STREQ(failure.dll_name, "cplib.dll");
  EXPECT_STREQ(failure.proc_name, "CryptoProInit");
}

TEST(SehGuardDelayLoadTest, ProcNotFoundAndOrdinalImports) {
  const DelayLoadInfo by_name = MakeInfo("wininet.dll", "InternetOpenW");
  SehFailure failure;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(kDelayLoadProcNotFound, &by_name); }, &failure));
  EXPECT_STREQ(failure.dll_name, "wininet.dll");
  EXPECT_STREQ(failure.proc_name, "InternetOpenW");

  const DelayLoadInfo by_ordinal = MakeInfo("wininet.dll", nullptr);
  SehFailure second;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(kDelayLoadModuleNotFound, &by_ordinal); }, &second));
  EXPECT_STREQ(second.dll_name, "wininet.dll");
  EXPECT_STREQ(second.proc_name, "");
}

TEST(SehGuardDelayLoadTest, OtherCodesAndBadParametersLeaveNamesEmpty) {
  const DelayLoadInfo info = MakeInfo("cplib.dll", "CryptoProInit");
  SehFailure failure;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(0xE0000001, &info); }, &failure));
  EXPECT_EQ(failure.code, 0xE0000001u);
  EXPECT_STREQ(failure.dll_name, "");
  EXPECT_STREQ(failure.proc_name, "");

  SehFailure no_info;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(kDelayLoadModuleNotFound, nullptr); }, &no_info));
  EXPECT_EQ(no_info.code, kDelayLoadModuleNotFound);
  EXPECT_STREQ(no_info.dll_name, "");

  DelayLoadInfo wrong_size = info;
  wrong_size.cb = 3;
  SehFailure bad;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(kDelayLoadModuleNotFound, &wrong_size); }, &bad));
  EXPECT_STREQ(bad.dll_name, "");

  // A parameter that points nowhere is not followed.
  SehFailure wild;
  EXPECT_FALSE(RunWithSehGuard(
      [&] { RaiseWith(kDelayLoadModuleNotFound, reinterpret_cast<const DelayLoadInfo*>(16)); },
      &wild));
  EXPECT_EQ(wild.code, kDelayLoadModuleNotFound);
  EXPECT_STREQ(wild.dll_name, "");
}

TEST(SehGuardDelayLoadTest, LongNamesAreCutToTheBuffer) {
  char long_name[300];
  std::memset(long_name, 'a', sizeof(long_name) - 1);
  long_name[sizeof(long_name) - 1] = '\0';
  const DelayLoadInfo info = MakeInfo(long_name, long_name);
  SehFailure failure;
  EXPECT_FALSE(RunWithSehGuard([&] { RaiseWith(kDelayLoadModuleNotFound, &info); }, &failure));
  EXPECT_EQ(std::strlen(failure.dll_name), sizeof(failure.dll_name) - 1);
  EXPECT_EQ(std::strlen(failure.proc_name), sizeof(failure.proc_name) - 1);
}

}  // namespace
}  // namespace base
