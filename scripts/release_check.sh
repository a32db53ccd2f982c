#!/usr/bin/env bash
# ./release --check: tries the releases in dist/ as operators get them. As root (chroot, mounts).
#  - In a brand-new minimal Debian 12 root, then a Debian 13 one (debootstrap, cached as tarballs
#    beside ../shared/fresh-root's): apt-get installs the package and must pull in only runtime
#    packages; ostrel --version, --sim test, a read and show, the manual pages, the completion and
#    ostrel ui --sim --no-browser (its page answers) must work; apt-get remove leaves nothing.
#  - The zip, unpacked into a folder whose name has a space: Ostrel3tools.exe starts under Wine,
#    Help shows the version and the commit's stamp, and the cfg and a backup are written beside
#    the exe. Needs the gui-driver of the Windows test tree (built here when missing).
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$OSTREL_ROOT"

die() {
  echo "release --check: $*" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || die "needs root, for chroot and its mounts: sudo ./release --check"
deb=$(ls dist/ostrel_*_amd64.deb 2>/dev/null | head -1)
zip=$(ls dist/Ostrel3tools-*-windows-x64.zip 2>/dev/null | head -1)
[ -n "$deb" ] && [ -n "$zip" ] || die "no package or zip in dist/: run ./release first"
(cd dist && sha256sum --quiet -c SHA256SUMS) || die "dist/ does not match its SHA256SUMS"
version=$OSTREL_VERSION
# The commit the releases were made from, as the source tarball names it, and its time.
# (It reads only the first block, so gzip ends on a closed pipe: the answer is what counts.)
commit=$(gzip -dc "dist/ostrel-$version.tar.gz" 2>/dev/null | git get-tar-commit-id)
[ -n "$commit" ] || die "dist/ostrel-$version.tar.gz names no commit"
stamp_epoch=$(git log -1 --format=%ct "$commit") || die "no commit $commit here"
# Help's stamp as the compiler writes __TIME__ and __DATE__ ("Mar  9 2017": the day padded).
stamp="$(TZ=UTC date -d "@$stamp_epoch" '+%H:%M:%S'), $(TZ=UTC LC_ALL=C date -d "@$stamp_epoch" '+%b %e %Y')"

cache=${FRESH_ROOT_CACHE:-/var/tmp/fresh-root-cache}
mirror=$(grep -h -E '^(URIs:|deb )' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
  grep -oE 'https?://[^ ]+/debian/?' | head -1 || true)
failures=0

# base_root SUITE: the cached tarball of a minimal root of that Debian release, made once.
base_root() {
  local base="$cache/$1-minbase.tar" staging
  [ -f "$base" ] && { echo "$base"; return 0; }
  command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null || return 1
  mkdir -p "$cache"
  staging=$(mktemp -d "$cache/staging.XXXXXX")
  echo "release --check: making a minimal Debian $1 (once; cached in $cache)" >&2
  debootstrap --variant=minbase "$1" "$staging" "$mirror" >"$cache/debootstrap-$1.log" 2>&1 ||
    { rm -rf "$staging"; echo "debootstrap failed, see $cache/debootstrap-$1.log" >&2; return 1; }
  tar -C "$staging" -cf "$base" . && rm -rf "$staging" && echo "$base"
}

# What runs inside a new root, as root, with the package in /tmp.
inside_check() {
  cat <<'EOF'
set -u
version=$1
failed=0
check() {
  local name=$1
  shift
  if "$@" >/tmp/check.out 2>&1; then
    echo "  ok    $name"
  else
    echo "  FAIL  $name"
    sed 's/^/        /' /tmp/check.out | head -20
    failed=1
  fi
}
export DEBIAN_FRONTEND=noninteractive
# What an operator's system has anyway: the manual, the completion, and curl to ask the page.
apt-get update -qq && apt-get install -y -qq --no-install-recommends man-db bash-completion curl \
  >/dev/null || { echo "  FAIL  the root's own packages"; exit 1; }
dpkg-query -W -f '${Package}\n' | sort >/tmp/before
check "apt-get install ./ostrel.deb" apt-get install -y -qq /tmp/ostrel.deb
dpkg-query -W -f '${Package}\n' | sort >/tmp/after
added=$(comm -13 /tmp/before /tmp/after | tr '\n' ' ')
echo "        added: $added"
# (cpp may come: xrdb needs it, through xdg-utils' recommendations.)
runtime_only() { ! grep -qE '(-dev|-dbg)( |$)|(^| )(gcc|g\+\+|make|cmake)(-[0-9]+)?( |$)' <<<"$added"; }
check "only runtime packages pulled in" runtime_only
check "ostrel --version" sh -c "ostrel --version | grep -qx 'ostrel $version'"
check "ostrel --sim test" ostrel --sim test
check "ostrel --sim read, then show" sh -c 'cd /tmp && ostrel --sim read -o a.eep && ostrel show a.eep | grep -q "User 1"'
for page in ostrel ostrel-keyer-sim; do
  check "man $page" sh -c "[ -z \"\$(man --warnings -P cat $page 2>&1 >/dev/null)\" ] && man -P cat $page | grep -q NAME"
done
complete_set() {
  bash -c 'source /usr/share/bash-completion/bash_completion
    _completion_loader ostrel; COMP_WORDS=(ostrel set a.eep wei); COMP_CWORD=3
    COMP_LINE="ostrel set a.eep wei"; COMP_POINT=${#COMP_LINE}
    $(complete -p ostrel | sed "s/.*-F \([^ ]*\) .*/\1/") 2>/dev/null
    [ "${COMPREPLY[*]}" = "weight=" ]'
}
check "the completion" complete_set
check "the menu entry and its icon" test -f /usr/share/applications/ostrel.desktop \
  -a -f /usr/share/icons/hicolor/256x256/apps/ostrel.png -a -f /usr/share/icons/hicolor/16x16/apps/ostrel.png
check "the documents" test -f /usr/share/doc/ostrel/copyright -a -f /usr/share/doc/ostrel/changelog.gz
page_answers() {
  cd /tmp || return 1
  ostrel ui --sim --no-browser >ui.out 2>ui.err &
  local pid=$! url="" _
  for _ in $(seq 100); do url=$(head -1 /tmp/ui.out 2>/dev/null); [ -n "$url" ] && break; sleep 0.1; done
  curl -sSL -c /tmp/jar -b /tmp/jar "$url" >/tmp/page.html
  local status=$?
  kill "$pid"; wait "$pid"
  [ "$status" -eq 0 ] && grep -q '<title>' /tmp/page.html
}
check "ostrel ui --sim --no-browser: the page answers" page_answers
check "apt-get remove ostrel" apt-get remove -y -qq ostrel
leftovers() { ! find /usr /etc /opt /var/lib/dpkg/info -name '*ostrel*' | grep .; }
check "nothing of ours left" leftovers
exit $failed
EOF
}

for suite in bookworm trixie; do
  echo "release --check: $(basename "$deb") on a new Debian ${suite} root"
  base=$(base_root "$suite") || { failures=$((failures + 1)); continue; }
  root=$(mktemp -d /var/tmp/release-check.XXXXXX) || die "cannot make a folder for the root"
  chmod 755 "$root"  # its /: apt's own user must get through it
  tar -C "$root" -xf "$base"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  cp "$deb" "$root/tmp/ostrel.deb"
  for d in proc sys dev dev/pts; do mount --bind "/$d" "$root/$d"; done
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    /bin/bash -s -- "$version" < <(inside_check) || failures=$((failures + 1))
  # Whatever the check left running in the root ends with it.
  for p in /proc/[0-9]*; do [ "$(readlink "$p/root")" = "$root" ] && kill "${p#/proc/}"; done 2>/dev/null
  for d in dev/pts dev sys proc; do umount -l "$root/$d"; done
  # Only once nothing is mounted inside any more.
  mount | grep -qF " $root/" || rm -rf "$root"
done

echo "release --check: $(basename "$zip") under Wine, from a folder whose name has a space"
ensure_packages || die "could not install the packages"
{ cmake --preset windows -S "$OSTREL_ROOT" >/dev/null &&
  cmake --build --preset windows --target gui-driver >/dev/null &&
  cmake --preset native -S "$OSTREL_ROOT" >/dev/null &&
  cmake --build --preset native --target ostrel-keyer-sim >/dev/null; } ||
  die "cannot build gui-driver and the simulator"
ensure_display
trap stop_display EXIT
prepare_wine_prefix
unpacked="$WINEPREFIX/drive_c/Release check"
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && unzip -q "$OSTREL_ROOT/$zip") || die "cannot unpack the zip"
folder=("$unpacked"/Ostrel3tools-*)
GUI_EXE="$folder/Ostrel3tools.exe"
GUI_DRIVER=$OSTREL_ROOT/build/windows/tests/gui/gui-driver.exe
GUI_SIM=$OSTREL_ROOT/build/native/sim/ostrel-keyer-sim
GUI_SOURCE=$OSTREL_ROOT
GUI_TMP=$(mktemp -d)
GUI_APP_DIR=$folder
zip_failures=0
gui_fail() {
  echo "  FAIL  $*"
  zip_failures=1
  wineserver -k 2>/dev/null
  gui_stop_sims
  exit 1
}
(
  source "$OSTREL_ROOT/scripts/gui_toolkit.sh"
  gui_start_sim keyer
  gui_map 1=keyer
  # As an operator starts it: the exe from its own folder, nothing beside it yet.
  (cd "$GUI_APP_DIR" && exec wine ./Ostrel3tools.exe >"$GUI_TMP/app.out" 2>&1) &
  GUI_APP_PID=$!
  gui_driver_start
  gui wait-window "$GUI_MAIN_TITLE" 60000
  echo "  ok    the exe starts: \"$GUI_MAIN_TITLE\""
  gui click 4094
  gui wait-window "Ostrel3tools Help" 20000
  gui -w "Ostrel3tools Help" text 4030
  [ "$GUI_REPLY" = "Ver $version, Built $stamp" ] ||
    gui_fail "Help says \"$GUI_REPLY\", not \"Ver $version, Built $stamp\""
  echo "  ok    Help: $GUI_REPLY"
  gui -w "Ostrel3tools Help" click 1
  gui wait-gone "Ostrel3tools Help" 10000
  gui click 4013  # Read Ostrel: a backup beside the exe
  gui_wait_text 4059 ">Done"
  wineserver -k 2>/dev/null
  gui_stop_sims
  [ -s "$GUI_APP_DIR/Ostrel3tools.cfg" ] || gui_fail "no Ostrel3tools.cfg beside the exe"
  ls "$GUI_APP_DIR"/backups/*-read.eep >/dev/null 2>&1 || gui_fail "no backup beside the exe"
  echo "  ok    Ostrel3tools.cfg and backups/ written beside the exe"
) || failures=$((failures + 1))
rm -rf "$GUI_TMP"
wineserver -k 2>/dev/null

if [ "$failures" -ne 0 ]; then
  echo "release --check: $failures of 3 checks failed"
  exit 1
fi
echo "release --check: the package on Debian 12 and 13 and the zip under Wine: all passed"
