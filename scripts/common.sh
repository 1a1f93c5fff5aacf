# Shared by scripts/run and scripts/test: packages, builds, the Wine sandbox and a display.
# Every Windows program we start runs in a throwaway Wine prefix: WINEPREFIX, HOME and the
# XDG folders point into a temporary folder and the prefix's z: link (to /) is removed,
# because a run deletes files and Wine maps the recycle bin to the user's Trash.

BRISKO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BRISKO_BUILD=${BRISKO_BUILD:-$BRISKO_ROOT/build}

say() { printf '==> %s\n' "$*" >&2; }

# Installs the Debian packages the build and the tests need, when any is missing.
ensure_packages() {
  local missing=0 tool
  for tool in cmake g++ i686-w64-mingw32-g++-win32 i686-w64-mingw32-g++-posix \
              i686-w64-mingw32-windres wine Xvfb xdotool convert makensis python3; do
    command -v "$tool" >/dev/null 2>&1 || missing=1
  done
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing=1
  [ -f /usr/include/gtest/gtest.h ] || missing=1
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing=1
  dpkg -s wine64 >/dev/null 2>&1 || missing=1  # the 64-bit prefixes
  fc-list 2>/dev/null | grep -qi 'Liberation Sans' || missing=1
  [ "$missing" = 0 ] && return 0
  say "installing the Debian packages Brisko needs"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  # shellcheck disable=SC2046
  $sudo apt-get install -y -qq --no-install-recommends \
    $(grep -v '^#' "$BRISKO_ROOT/scripts/packages.txt") >/dev/null
}

# brisko.exe and its tools (win32 thread model: imports nothing newer than XP).
# BRISKO_JOBS caps the parallel jobs; BRISKO_TARGET builds one target only (say, brisko).
build_product() {
  cmake -S "$BRISKO_ROOT" -B "$BRISKO_BUILD/win32" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$BRISKO_ROOT/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$BRISKO_BUILD/win32" -j "${BRISKO_JOBS:-$(nproc)}" \
    ${BRISKO_TARGET:+--target "$BRISKO_TARGET"} >/dev/null
}

# The release: a stripped, portable brisko.exe, the NSIS installer and SHA256SUMS, in
# build/release. Byte for byte the same from the same commit, wherever and whenever it is
# built: the only time stamp is the commit's (SOURCE_DATE_EPOCH, which the linker writes into
# the PE header and the installer keeps as brisko.exe's file time), and no path is embedded.
BRISKO_VERSION=$(sed -n 's/^project(brisko VERSION \([0-9.]*\).*/\1/p' "$BRISKO_ROOT/CMakeLists.txt")
build_release() {
  if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$BRISKO_ROOT" log -1 --format=%ct 2>/dev/null) \
      || { say "no git history here: set SOURCE_DATE_EPOCH to the release's time"; return 1; }
  fi
  export SOURCE_DATE_EPOCH
  rm -f "$BRISKO_BUILD/win32/brisko.exe"  # linked again, so its PE header gets this time
  build_product
  local release=$BRISKO_BUILD/release setup=brisko-$BRISKO_VERSION-setup.exe
  mkdir -p "$release"
  rm -f "$release/brisko.exe" "$release/$setup" "$release/SHA256SUMS"
  i686-w64-mingw32-strip -o "$release/brisko.exe" "$BRISKO_BUILD/win32/brisko.exe"
  touch -d "@$SOURCE_DATE_EPOCH" "$release/brisko.exe"
  makensis -V2 -DVERSION="$BRISKO_VERSION" -DBRISKO_EXE="$release/brisko.exe" \
    -DOUTFILE="$release/$setup" "$BRISKO_ROOT/installer/brisko.nsi" >/dev/null
  (cd "$release" && sha256sum brisko.exe "$setup" >SHA256SUMS)
}

# Makes a fresh sandbox prefix and exports its environment. The flavour comes from the first
# argument or BRISKO_PREFIX: xp32 (the default; a 32-bit prefix that reports Windows XP),
# win10-64 or win7-64 (64-bit prefixes, where brisko.exe runs under WOW64 as on most of
# today's machines). The flavour stays exported as BRISKO_PREFIX for the tests.
make_sandbox() {
  local flavour=${1:-${BRISKO_PREFIX:-xp32}} arch version
  case "$flavour" in
    xp32) arch=win32 version=winxp ;;
    win10-64) arch=win64 version=win10 ;;
    win7-64) arch=win64 version=win7 ;;
    *) say "unknown prefix flavour $flavour (xp32, win10-64, win7-64)"; return 1 ;;
  esac
  export BRISKO_PREFIX=$flavour
  BRISKO_SANDBOX=$(mktemp -d "${TMPDIR:-/tmp}/brisko-sandbox.XXXXXX")
  export BRISKO_SANDBOX
  export WINEPREFIX=$BRISKO_SANDBOX/prefix HOME=$BRISKO_SANDBOX/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  export XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$BRISKO_SANDBOX/run
  export XDG_DATA_DIRS=$BRISKO_SANDBOX/share XDG_CONFIG_DIRS=$BRISKO_SANDBOX/etc
  export WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  say "making a $flavour Wine sandbox in $BRISKO_SANDBOX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
  wineserver -w
  rm -f "$WINEPREFIX/dosdevices/z:"
  [ ! -e "$WINEPREFIX/dosdevices/z:" ] || { say "could not remove z:"; return 1; }
  mkdir -p "$WINEPREFIX/drive_c/brisko"
}

drop_sandbox() {
  [ -n "${BRISKO_SANDBOX:-}" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$BRISKO_SANDBOX"
}

# Uses the user's display, or a private Xvfb when there is none. Xvfb picks a free display
# number itself (-displayfd), so several test runs on one machine never share a screen.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    BRISKO_HEADLESS=0
    return 0
  fi
  local fifo n=""
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/brisko-display.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  BRISKO_XVFB=$!
  read -r -t 30 n <"$fifo" || true
  rm -f "$fifo"
  [ -n "$n" ] || { say "Xvfb did not start"; return 1; }
  export DISPLAY=":$n"
  BRISKO_HEADLESS=1
}

drop_display() {
  [ -n "${BRISKO_XVFB:-}" ] && kill "$BRISKO_XVFB" 2>/dev/null
  return 0
}

screenshot() {  # screenshot FILE
  import -window root "$1"
}
