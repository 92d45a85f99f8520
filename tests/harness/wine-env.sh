# Wine settings of the test prefix; sourced. KELMOR_WINE is the loader.
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${KELMOR_WINE:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    KELMOR_WINE=/usr/lib/wine/wine
  else
    KELMOR_WINE=/usr/lib/wine/wine64
    export WINELOADER=/usr/lib/wine/wine64
  fi
fi
export KELMOR_WINE
