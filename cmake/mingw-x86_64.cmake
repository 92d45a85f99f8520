# 64-bit Windows build of the same sources. Used for running the test suite
# under Wine on hosts whose kernel cannot run 32-bit code (no ia32
# emulation, so Wine cannot start 32-bit programs there).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
