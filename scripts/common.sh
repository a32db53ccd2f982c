# Shared by ./test and ./run: installs what is missing, builds, and prepares Wine and a display.
# Sourced, not run.

OSTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The version, from project() in CMakeLists.txt, the one place it is written.
OSTREL_VERSION=$(sed -n 's/^project(Ostrel3Tools VERSION \([0-9.]*\) .*/\1/p' "$OSTREL_ROOT/CMakeLists.txt")
# The fuzz build's compiler; libFuzzer's runtime comes with libclang-rt-14-dev.
OSTREL_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# ostrel ui's browser test: Debian's Chromium, driven by playwright-core from npm (see
# ensure_web_test_modules). npm comes with nodejs where nodejs is NodeSource's, and is Debian's
# package of its own otherwise, which NodeSource's nodejs refuses beside it.
OSTREL_WEB_TEST_PACKAGES=(chromium nodejs)
# fonts-wine is only a recommendation of wine, and recommendations are not installed: without it
# Wine draws the dialogs in a fallback font with other metrics than Windows' own.
OSTREL_PACKAGES=(cmake make g++ libgtest-dev googletest libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine xvfb xauth
  x11-utils imagemagick gputils binutils "${OSTREL_FUZZ_PACKAGES[@]}"
  pkg-config libcpp-httplib-dev "${OSTREL_WEB_TEST_PACKAGES[@]}" man-db desktop-file-utils
  bash-completion)

# ./release builds what is shipped, and checks the package and the exe: no Wine, browser or fuzzer.
OSTREL_RELEASE_PACKAGES=(cmake make g++ libcli11-dev nlohmann-json3-dev pkg-config libcpp-httplib-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 binutils git gzip xz-utils zip file dpkg-dev
  lintian)

# ensure_packages [PACKAGE...]: installs the Debian packages (by default those of ./test and ./run)
# that are not there yet, without asking.
ensure_packages() {
  local missing=() wanted=("$@")
  [ $# -gt 0 ] || wanted=("${OSTREL_PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# playwright-core and axe-core for the browser test, exactly as tests/web/package-lock.json has
# them, in the native build tree; again only when the lock file has changed.
ensure_web_test_modules() {
  local source="$OSTREL_ROOT/tests/web" target="$OSTREL_ROOT/build/native/tests/web/npm"
  [ -d "$target/node_modules/playwright-core" ] && cmp -s "$source/package-lock.json" \
    "$target/package-lock.json" && return 0
  if ! command -v npm >/dev/null; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null
  fi
  mkdir -p "$target" && cp "$source/package.json" "$source/package-lock.json" "$target/" || return 1
  local log="$target/npm-ci.log"
  npm_ci() { (cd "$target" && npm ci --no-audit --no-fund --loglevel=error "$@" >/dev/null 2>"$log"); }
  npm_ci && return 0
  # A network that passes TLS through a proxy of its own signs the registry's certificate with a
  # CA that a new machine does not know yet. The lock file names every package by its sha512, and
  # npm checks that whatever the transport, so the packages are fetched again without the
  # certificate check rather than not at all.
  if grep -q -E 'SELF_SIGNED_CERT|UNABLE_TO_GET_ISSUER_CERT|UNABLE_TO_VERIFY_LEAF_SIGNATURE' "$log"; then
    echo "npm: the registry's certificate is not trusted on this machine; fetching the locked" \
      "packages again, each still checked against its sha512 in the lock file"
    npm_ci --strict-ssl=false && return 0
  fi
  cat "$log" >&2
  return 1
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

# Wine's own fonts (fonts-wine) are copied into the prefix's Fonts folder: Debian's Wine 8 does not
# load them from /usr/share/wine/fonts, where the package puts them, and without Tahoma (the
# dialogs' font) and Marlett (the caption buttons') it draws the dialogs in DejaVu Sans, with other
# metrics than on Windows.
OSTREL_WINE_FONTS=/usr/share/wine/fonts

prepare_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  if [ -d "$OSTREL_WINE_FONTS" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -u "$OSTREL_WINE_FONTS"/* "$WINEPREFIX/drive_c/windows/Fonts/"
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

# map_com_ports [N=PATH]...: links COMn of the private prefix to a device path (a pty of the
# simulated keyer, or a real port) and every other COM1..COM32 to a socket file, so that exactly
# the listed ports are present; then restarts the prefix so that it takes effect. (Wine still
# opens a COMn whose path does not exist, as a device without a line; opening a socket file
# fails with "no such device".)
map_com_ports() {
  local reg absent="$WINEPREFIX/absent-com-port"
  mkdir -p "$WINEPREFIX"
  [ -S "$absent" ] || perl -MSocket -e 'socket(my $s, PF_UNIX, SOCK_STREAM, 0) or die "$!\n";
    bind($s, pack_sockaddr_un($ARGV[0])) or die "$ARGV[0]: $!\n"' "$absent"
  reg=$(mktemp --suffix=.reg)
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    local n m path
    for n in $(seq 1 32); do
      path=$absent
      for m in "$@"; do [ "${m%%=*}" = "$n" ] && path="${m#*=}"; done
      printf '"COM%d"="%s"\r\n' "$n" "$path"
    done
  } >"$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
  wineserver -k 2>/dev/null
  wineserver -w
  rm -f "$reg"
}
