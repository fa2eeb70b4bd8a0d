# Sourced by the scripts: a private Wine prefix under build/ and a private
# Xvfb display, so nothing depends on the machine's own display or prefix.
# wine_up starts them; wine_down stops everything wine_up started.

wine_up() {
  local top=$1
  export WINEPREFIX="${VORNIX_WINEPREFIX:-$top/build/wineprefix}"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # Mono and Gecko cannot be downloaded here, and nothing needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml="

  if [ -z "${VORNIX_DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 140); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { VORNIX_DISPLAY=":$n"; break; }
    done
    Xvfb "$VORNIX_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VORNIX_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${VORNIX_DISPLAY#:}" ] && break; sleep 0.1; done
  fi
  export DISPLAY="$VORNIX_DISPLAY"

  # Whether Wine's 32-bit side is here and runs: scripts/setup installs it
  # only where the kernel runs 32-bit programs.
  VORNIX_WINE32=0
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then VORNIX_WINE32=1; fi
  export VORNIX_WINE32

  # A prefix made before Wine's 32-bit side could run has no 32-bit side, and
  # one made with it fails without it: the stamp beside the prefix says which
  # it was made with, and a prefix without the right stamp is made anew.
  local stamp="$WINEPREFIX.made-with" made="wine64"
  [ "$VORNIX_WINE32" = 1 ] && made="wine32"
  if [ "$(cat "$stamp" 2>/dev/null)" != "$made" ] || [ ! -f "$WINEPREFIX/.vornix-ready" ]; then
    echo "wine: preparing the prefix $WINEPREFIX"
    # Only a prefix these scripts made is removed, never one of the user's.
    if [ -f "$WINEPREFIX/.vornix-ready" ]; then wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; fi
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Unmanaged windows: without a window manager every closing window costs
    # about two seconds otherwise.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.vornix-ready"
    echo "$made" >"$stamp"
  fi
  wineserver -p >/dev/null 2>&1 || true
  # Start Wine's own background services now, with their output going
  # nowhere: started later by a test, they would keep the test runner's
  # output pipe open and the runner would wait for them forever.
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

wine_down() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${VORNIX_XVFB_PID:-}" ]; then
    kill "$VORNIX_XVFB_PID" 2>/dev/null || true
    wait "$VORNIX_XVFB_PID" 2>/dev/null || true
    unset VORNIX_XVFB_PID VORNIX_DISPLAY
  fi
}
