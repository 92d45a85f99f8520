# A test session: an X server for windows and message boxes, and one
# persistent wineserver for the build's prefix. Sourced by scripts.
kelmor_session_start() {
  local build
  build=$(cd "$1" && pwd)
  export WINEPREFIX="$build/wineprefix"
  source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 120); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
      Xvfb ":$n" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
      KELMOR_XVFB_PID=$!
      export DISPLAY=":$n"
      break
    done
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
  fi
  "$(dirname "${BASH_SOURCE[0]}")/wine-prefix" start
}

kelmor_session_stop() {
  "$(dirname "${BASH_SOURCE[0]}")/wine-prefix" stop
  if [ -n "${KELMOR_XVFB_PID:-}" ]; then kill "$KELMOR_XVFB_PID" 2>/dev/null || true; fi
}
