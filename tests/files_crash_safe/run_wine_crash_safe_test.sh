#!/usr/bin/env bash
# run_wine_crash_safe_test.sh TEST_EXE SOURCE_ROOT WINE_PREFIX
# Runs the Windows crash-safe file test under Wine with two small disks that it reaches through
# drive Z: a full one, and a folder seen both writable and through a read-only mount. The mounts
# live in a mount namespace of this run alone. The Wine prefix is this test's own: its wineserver,
# which opens and renames the files, must start inside the namespace to see the mounts. Where
# nothing can be mounted, the program still runs and skips the disk cells.
set -uo pipefail
exe=$1
source "$2/scripts/common.sh"
export WINEPREFIX=$3

prepare_wine_prefix
wineserver -k 2>/dev/null
wineserver -w
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_with_disks() {
  mkdir -p "$work/full" "$work/writable" "$work/read-only"
  if mount -t tmpfs -o size=64k tmpfs "$work/full" &&
    mount -t tmpfs -o size=64k tmpfs "$work/writable" &&
    mount --bind "$work/writable" "$work/read-only" &&
    mount -o remount,bind,ro "$work/read-only"; then
    windows_path() { printf 'Z:%s' "${1//\//\\}"; }
    export OSTREL_FULL_DISK=$(windows_path "$work/full")
    export OSTREL_WRITABLE_DISK=$(windows_path "$work/writable")
    export OSTREL_READ_ONLY_DISK=$(windows_path "$work/read-only")
  else
    echo "SKIP the disk cells: the small disks could not be mounted"
  fi
  timeout 120 wine "$exe"
  local status=$?
  # The server must not outlive the mounts that it alone can see.
  wineserver -k 2>/dev/null
  wineserver -w
  return $status
}

if unshare -m true 2>/dev/null; then
  export -f run_with_disks
  export exe work
  unshare -m --propagation private bash -c run_with_disks
else
  echo "SKIP the disk cells: no mount namespace here (needs root)"
  timeout 120 wine "$exe"
fi
