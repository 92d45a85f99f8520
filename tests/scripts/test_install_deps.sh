#!/usr/bin/env bash
# scripts/install-deps against stand-ins for apt-get, dpkg and locale-gen on
# PATH: a package index that fails to update is retried once and then
# ignored, and 32-bit packages that cannot be installed send the suite down
# the x86_64 road instead of failing the set-up.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# scenario NAME I386_INSTALLABLE
scenario() {
  local name=$1 i386_ok=$2 dir="$work/$1"
  mkdir -p "$dir/bin"
  cat > "$dir/bin/apt-get" <<STUB
#!/usr/bin/env bash
echo "apt-get \$*" >> "$dir/calls"
if [ "\$1" = update ]; then
  echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
  exit 100
fi
if [ "\$1" = install ] && [ "$i386_ok" = no ] && [[ "\$*" == *:i386* ]]; then
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100
fi
exit 0
STUB
  printf '#!/bin/sh\n[ "$1" = --print-foreign-architectures ] && echo i386\nexit 0\n' > "$dir/bin/dpkg"
  printf '#!/bin/sh\nexit 0\n' > "$dir/bin/locale-gen"
  chmod +x "$dir/bin/"*
  PATH="$dir/bin:$PATH" KELMOR_DEPS_STAMP="$dir/stamp" KELMOR_LOCALE_GEN_FILE="$dir/locale.gen" \
    "$root/scripts/install-deps" >"$dir/out" 2>"$dir/err"
  echo $? > "$dir/rc"
}

scenario index_fails yes
d=$work/index_fails
[ "$(cat "$d/rc")" = 0 ] || fail "index_fails: exit $(cat "$d/rc")"
[ "$(grep -c '^apt-get update' "$d/calls")" = 2 ] || fail "index_fails: apt-get update not run exactly twice"
grep -q "apt-get update failed; retrying once" "$d/err" || fail "index_fails: no retry warning"
grep -q "going on with the package lists that are there" "$d/err" || fail "index_fails: no go-on warning"
grep -q "^apt-get install .*wine32:i386" "$d/calls" || fail "index_fails: 32-bit packages not asked for"
grep -q "x86_64 road" "$d/err" && fail "index_fails: took the x86_64 road"
[ -f "$d/stamp" ] || fail "index_fails: no stamp after a complete set-up"
grep -q "^ru_RU.UTF-8 UTF-8" "$d/locale.gen" || fail "index_fails: locales not listed"

scenario no_i386 no
d=$work/no_i386
[ "$(cat "$d/rc")" = 0 ] || fail "no_i386: exit $(cat "$d/rc")"
[ "$(grep -c "the suite takes the x86_64 road" "$d/err")" = 1 ] || fail "no_i386: not one line about the x86_64 road"
tail -n1 "$d/calls" | grep -q "^apt-get install" || fail "no_i386: no second install"
tail -n1 "$d/calls" | grep -q ":i386" && fail "no_i386: second install still asks for 32-bit packages"
tail -n1 "$d/calls" | grep -q " wine64" || fail "no_i386: second install lacks the common packages"
[ -f "$d/stamp" ] && fail "no_i386: stamp written without the 32-bit packages"

# A second run after the complete set-up only checks the stamp.
d=$work/index_fails
: > "$d/calls"
PATH="$d/bin:$PATH" KELMOR_DEPS_STAMP="$d/stamp" KELMOR_LOCALE_GEN_FILE="$d/locale.gen" \
  "$root/scripts/install-deps" >/dev/null 2>&1 || fail "second run: non-zero exit"
[ -s "$d/calls" ] && fail "second run: apt-get called again"

if [ "$failures" != 0 ]; then
  for f in "$work"/*/err; do echo "--- $f"; cat "$f"; done
  exit 1
fi
echo "install-deps: both scenarios pass"
