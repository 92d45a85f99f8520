# Shared by the scripts: where things are built and which Wine runs them.
kelmor_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kelmor_product_build=${KELMOR_BUILD_DIR:-$kelmor_root/build}

# The kernel of some hosts runs no 32-bit code (ia32 emulation off), and
# Wine then cannot start 32-bit programs. There the suite runs a 64-bit
# build of the same sources; the product stays 32-bit.
kelmor_host_runs_win32() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if [ -z "${KELMOR_TEST_ARCH:-}" ]; then
  if kelmor_host_runs_win32; then KELMOR_TEST_ARCH=i686; else KELMOR_TEST_ARCH=x86_64; fi
fi
if [ "$KELMOR_TEST_ARCH" = i686 ]; then
  kelmor_test_build=$kelmor_product_build
else
  kelmor_test_build=$kelmor_product_build/test-x86_64
fi
export KELMOR_TEST_ARCH

# Configures (once) and builds one build folder: kelmor_build_dir DIR ARCH
kelmor_build_dir() {
  local dir=$1 arch=$2
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$kelmor_root" -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$kelmor_root/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release ${KELMOR_CMAKE_ARGS:-} >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)"
}
