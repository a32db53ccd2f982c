# Shared by ./test and ./run: installs what is missing, builds, and prepares Wine and a display.
# Sourced, not run.

OSTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OSTREL_PACKAGES=(cmake make g++ libgtest-dev googletest libcli11-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth x11-utils
  imagemagick gputils binutils)

# Installs the Debian packages that are not there yet, without asking.
ensure_packages() {
  local missing=()
  for p in "${OSTREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build_native() {
  cmake --preset native -S "$OSTREL_ROOT" >/dev/null && cmake --build --preset native -j"$(nproc)"
}

build_windows() {
  cmake --preset windows -S "$OSTREL_ROOT" >/dev/null && cmake --build --preset windows -j"$(nproc)"
}

# A private Wine prefix inside the build tree, so that nothing of the user's own is touched.
export WINEPREFIX="${WINEPREFIX:-$OSTREL_ROOT/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

prepare_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# Starts Xvfb when there is no display; the tests and ./run need one for Wine's windows.
ensure_display() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    local n=99
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    OSTREL_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

stop_display() {
  [ -n "${OSTREL_XVFB_PID:-}" ] && kill "$OSTREL_XVFB_PID" 2>/dev/null
  return 0
}
