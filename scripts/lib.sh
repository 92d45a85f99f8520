# Shared by the scripts: where things are built and which Wine runs them.
#
#   build/                  the release configuration: build/bin/lite_installer.exe,
#                           what ships (production HTTPS hosts, no test hooks)
#   build/test-<arch>/      the test configuration: the stand's hosts and the
#                           test hooks; the suite, the demo and the benchmarks
#                           run it
#   build/screens/, build/demo/
#                           artefacts of the test runs
kelmor_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kelmor_product_build=${KELMOR_RELEASE_BUILD_DIR:-$kelmor_root/build}

# The kernel of some hosts runs no 32-bit code (ia32 emulation off), or the
# 32-bit Wine packages could not be installed, and Wine then cannot start
# 32-bit programs. There the suite runs a 64-bit build of the same sources
# (the x86_64 road); elsewhere it runs the 32-bit product's sources (the
# i686 road). The release is 32-bit on both.
kelmor_host_runs_win32() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if [ -z "${KELMOR_TEST_ARCH:-}" ]; then
  if kelmor_host_runs_win32; then KELMOR_TEST_ARCH=i686; else KELMOR_TEST_ARCH=x86_64; fi
fi
kelmor_test_build=${KELMOR_TEST_BUILD_DIR:-$kelmor_product_build/test-$KELMOR_TEST_ARCH}
export KELMOR_TEST_ARCH

# Configures (once) and builds one build folder:
#   kelmor_build_dir DIR ARCH release|test [cmake arguments...]
kelmor_build_dir() {
  local dir=$1 arch=$2 kind=$3
  shift 3
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    local test_build=OFF
    [ "$kind" = test ] && test_build=ON
    cmake -S "$kelmor_root" -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$kelmor_root/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DKELMOR_TEST_BUILD=$test_build "$@" ${KELMOR_CMAKE_ARGS:-} >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)"
}
