# Sourced by every script that builds Brisko or starts a Windows program: scripts/run,
# scripts/test, scripts/release, scripts/benchmark, scripts/in-sandbox and the test scripts in
# tests/win32/. It holds the packages, the builds, the Wine this machine can run, the sandbox
# prefix and a display.
#
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
              i686-w64-mingw32-windres x86_64-w64-mingw32-g++-win32 \
              x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres wine Xvfb xdotool \
              convert makensis python3; do
    command -v "$tool" >/dev/null 2>&1 || missing=1
  done
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing=1
  [ -f /usr/include/gtest/gtest.h ] || missing=1
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing=1
  dpkg -s wine64 >/dev/null 2>&1 || missing=1  # the 64-bit prefixes
  fc-list 2>/dev/null | grep -qi 'Liberation Sans' || missing=1
  osslsigncode --version 2>/dev/null | grep -q '^osslsigncode 2\.5,' || missing=1
  /usr/bin/python3 -c 'import jsonschema, yaml' 2>/dev/null || missing=1
  [ "$missing" = 0 ] && return 0
  say "installing the Debian packages Brisko needs"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo dpkg --add-architecture i386 &&
    $sudo apt-get update -qq &&
    # shellcheck disable=SC2046
    $sudo apt-get install -y -qq --no-install-recommends --allow-downgrades \
      $(grep -v '^#' "$BRISKO_ROOT/scripts/packages.txt") >/dev/null ||
    { say "could not install the Debian packages listed in scripts/packages.txt"; return 1; }
}

# --- the Wine this machine can run ---------------------------------------------------------
# Wine's 32-bit loader is a 32-bit Linux program, and some machines cannot run those at all
# (no IA-32 compatibility in the kernel: some virtual machines, WSL 1), where it fails with
# "Exec format error". There only 64-bit Windows programs run, in a 64-bit prefix, through
# Wine's 64-bit loader called directly: Debian's `wine` wrapper, and wineboot through it,
# pick the 32-bit loader whenever it is installed, runnable or not. So we ask the loader
# itself, once, and say which kind of machine this is. BRISKO_WINE64_ONLY=1 takes the
# 64-bit-only path on any machine, so that it can be tried where 32-bit programs run too.
#
# Sets and exports BRISKO_RUNS_32BIT (1 or 0), BRISKO_WINE (the command for every Wine call)
# and, on the 64-bit path, WINELOADER, which Wine uses to start the processes a program
# starts. Scripts started from ours inherit the answer instead of asking again.
BRISKO_WINE32_LOADER=/usr/lib/wine/wine
BRISKO_WINE64_LOADER=/usr/lib/wine/wine64
detect_wine() {
  if [ -n "${BRISKO_RUNS_32BIT:-}" ] && [ -n "${BRISKO_WINE:-}" ]; then return 0; fi
  local why=""
  if [ "${BRISKO_WINE64_ONLY:-0}" = 1 ]; then
    why="BRISKO_WINE64_ONLY=1 asks for the 64-bit path"
  elif [ ! -x "$BRISKO_WINE32_LOADER" ]; then
    why="$BRISKO_WINE32_LOADER is not installed"
  elif ! why=$("$BRISKO_WINE32_LOADER" --version 2>&1 </dev/null); then
    why="$BRISKO_WINE32_LOADER --version: $(printf '%s' "$why" | tail -1)"
  else
    why=""
  fi
  if [ -z "$why" ]; then
    export BRISKO_RUNS_32BIT=1 BRISKO_WINE=wine
    say "this machine runs 32-bit programs: the 32-bit and the 64-bit Brisko run here"
  else
    export BRISKO_RUNS_32BIT=0 BRISKO_WINE=$BRISKO_WINE64_LOADER
    export WINELOADER=$BRISKO_WINE64_LOADER
    say "this machine cannot run 32-bit programs ($why): only the 64-bit Brisko runs here," \
        "through $BRISKO_WINE64_LOADER; what needs a 32-bit program is skipped"
    [ -x "$BRISKO_WINE64_LOADER" ] || say "and $BRISKO_WINE64_LOADER is missing too (package wine64)"
  fi
}

# Every Wine call of our scripts goes through these two, so that each takes the loader this
# machine can run.
wine() { command "$BRISKO_WINE" "$@"; }
wineboot() { command "$BRISKO_WINE" wineboot "$@"; }

# --- builds -------------------------------------------------------------------------------
# The two programs: brisko.exe (i686, for Windows 2000/XP and 32-bit Windows) in build/win32
# and brisko64.exe (x86-64, for 64-bit Windows) in build/win64, each with the tools of its
# architecture (brisko-driver.exe, the benchmark programs), win32 thread model: they import
# nothing newer than XP. BRISKO_JOBS caps the parallel jobs; BRISKO_TARGET builds one target
# only (say, brisko).
program_name() {  # program_name win32|win64: the file name of that architecture's program
  if [ "$1" = win64 ]; then echo brisko64.exe; else echo brisko.exe; fi
}
toolchain_file() {  # toolchain_file win32|win64
  if [ "$1" = win64 ]; then echo "$BRISKO_ROOT/cmake/mingw-x86_64.cmake"
  else echo "$BRISKO_ROOT/cmake/mingw-i686.cmake"; fi
}
build_product() {  # build_product win32|win64
  local arch=${1:?build_product win32|win64}
  cmake -S "$BRISKO_ROOT" -B "$BRISKO_BUILD/$arch" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" >/dev/null &&
    cmake --build "$BRISKO_BUILD/$arch" -j "${BRISKO_JOBS:-$(nproc)}" \
      ${BRISKO_TARGET:+--target "$BRISKO_TARGET"} >/dev/null ||
    { say "the $arch build of $(program_name "$arch") failed (cmake above says why)"; return 1; }
}

# The Wine test programs of one architecture (build/win32-tests, build/win64-tests), built with
# the posix thread model because GoogleTest needs std::mutex; they test the program of their
# own architecture, from build/win32 or build/win64 and build/release.
configure_tests() {  # configure_tests win32|win64
  local arch=${1:?configure_tests win32|win64}
  cmake -S "$BRISKO_ROOT" -B "$BRISKO_BUILD/$arch-tests" -DCMAKE_BUILD_TYPE=Release \
    -DBRISKO_RELEASE_DIR="$BRISKO_BUILD/release" -DBRISKO_PRODUCT_DIR="$BRISKO_BUILD/$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" -DBRISKO_MINGW_THREADS=posix \
    -DBRISKO_WIN32_TESTS=ON -DCMAKE_CROSSCOMPILING_EMULATOR="$BRISKO_ROOT/scripts/in-sandbox" \
    >/dev/null
}
build_tests() {  # build_tests win32|win64
  local arch=${1:?build_tests win32|win64}
  configure_tests "$arch" &&
    cmake --build "$BRISKO_BUILD/$arch-tests" -j "${BRISKO_JOBS:-$(nproc)}" >/dev/null ||
    { say "the $arch build of the Wine test programs failed (cmake above says why)"; return 1; }
}

# The release, in build/release: both programs, stripped; one installer for each
# (brisko-<version>-setup.exe installs brisko.exe, brisko64-<version>-setup.exe, itself a
# 64-bit program, installs brisko64.exe on 64-bit Windows); SHA256SUMS; and the winget and
# Chocolatey manifests made from them, in build/release/packages. Byte for byte the same from
# the same commit, wherever and whenever it is built: the only time stamp is the commit's
# (SOURCE_DATE_EPOCH, which the linker writes into the PE headers, the installers keep as the
# programs' file times and a signature carries as its signing time), and no path is embedded.
#
# Signed when a certificate is given: BRISKO_SIGN_PFX (a .pfx file) and BRISKO_SIGN_PASS_FILE
# (its password, in a file), with Debian 12's osslsigncode 2.5 (another version signs the same
# file to different bytes): both programs, both installers and the uninstaller each installer
# holds. BRISKO_SIGN_TIMESTAMP_URL adds a time stamp from that server, which no two builds can
# share. BRISKO_PROJECT_URL is the address a signature names; BRISKO_RELEASE_URL the folder the
# manifests download the installers from.
BRISKO_VERSION=$(sed -n 's/^project(brisko VERSION \([0-9.]*\).*/\1/p' "$BRISKO_ROOT/CMakeLists.txt")
setup_name() {  # setup_name win32|win64: the file name of that architecture's installer
  local program
  program=$(program_name "$1")
  echo "${program%.exe}-$BRISKO_VERSION-setup.exe"
}
build_release() {
  if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$BRISKO_ROOT" log -1 --format=%ct 2>/dev/null) ||
      { say "no git history here: set SOURCE_DATE_EPOCH to the release's time"; return 1; }
  fi
  export SOURCE_DATE_EPOCH
  local release=$BRISKO_BUILD/release arch program setup strip architecture
  local sign=() signing=""
  if [ -n "${BRISKO_SIGN_PFX:-}" ]; then
    [ -r "$BRISKO_SIGN_PFX" ] && [ -r "${BRISKO_SIGN_PASS_FILE:-}" ] ||
      { say "BRISKO_SIGN_PFX and BRISKO_SIGN_PASS_FILE must both name readable files"; return 1; }
    osslsigncode --version 2>/dev/null | grep -q '^osslsigncode 2\.5,' ||
      { say "a signed release needs Debian 12's osslsigncode 2.5 (apt-get install" \
            "osslsigncode=2.5-4): another version signs to other bytes"; return 1; }
    signing="bash $BRISKO_ROOT/scripts/sign-file"
    sign=(-DSIGN="$signing")
    say "signing with $BRISKO_SIGN_PFX${BRISKO_SIGN_TIMESTAMP_URL:+, time stamps from $BRISKO_SIGN_TIMESTAMP_URL}"
  fi
  mkdir -p "$release"
  rm -rf "$release"/*.exe "$release/SHA256SUMS" "$release/packages"
  for arch in win32 win64; do
    program=$(program_name "$arch")
    setup=$(setup_name "$arch")
    if [ "$arch" = win32 ]; then
      strip=i686-w64-mingw32-strip architecture=x86
    else
      strip=x86_64-w64-mingw32-strip architecture=x64
    fi
    rm -f "$BRISKO_BUILD/$arch/$program"  # linked again, so its PE header gets this time
    build_product "$arch" || return 1
    "$strip" -o "$release/$program" "$BRISKO_BUILD/$arch/$program" ||
      { say "stripping $program failed"; return 1; }
    if [ -n "$signing" ]; then
      $signing "$release/$program" ||
        { rm -f "$release/$program"; say "signing $program failed (see above)"; return 1; }
    fi
    touch -d "@$SOURCE_DATE_EPOCH" "$release/$program"
    # A signing command that fails stops makensis (!finalize ... = 0), which then leaves the
    # unsigned installer behind: it must not stay in the release.
    makensis -V2 -DVERSION="$BRISKO_VERSION" -DARCHITECTURE=$architecture \
      -DPROGRAM="$program" -DPROGRAM_FILE="$release/$program" -DOUTFILE="$release/$setup" \
      "${sign[@]}" "$BRISKO_ROOT/installer/brisko.nsi" >/dev/null ||
      { rm -f "$release/$setup"; say "packing $program into $setup failed"; return 1; }
  done
  (cd "$release" && sha256sum brisko.exe brisko64.exe "$(setup_name win32)" \
    "$(setup_name win64)" >SHA256SUMS)
  /usr/bin/python3 "$BRISKO_ROOT/scripts/package_manifests.py" "$release" "$release/packages" \
    --version "$BRISKO_VERSION" --url "${BRISKO_RELEASE_URL:-}" >/dev/null ||
    { say "the package manifests could not be made"; return 1; }
}

# --- the sandbox prefix ----------------------------------------------------------------------
# Makes a fresh sandbox prefix and exports its environment. The flavour comes from the first
# argument or BRISKO_PREFIX: xp32 (a 32-bit prefix that reports Windows XP; needs Wine's
# 32-bit loader), win10-64 or win7-64 (64-bit prefixes, where brisko.exe runs under WOW64 as
# on most of today's machines and brisko64.exe runs natively). The flavour stays exported as
# BRISKO_PREFIX for the tests. Says what went wrong and returns 1 when the prefix cannot be
# made.
#
# A wineboot costs a quarter of a minute of both cores, and a test run needs a fresh prefix
# for each of its Wine tests and more inside some: scripts/test boots one of each flavour
# into BRISKO_PREFIX_TEMPLATES/<flavour> (see make_prefix_template) and every sandbox of that
# flavour is then a copy of it. A copy is as fresh as a booted prefix: nothing ran in the
# template after its wineboot, and the links Wine made to the home folder it booted with
# (Desktop, Documents...) are pointed at the copy's own home.
make_sandbox() {
  local flavour=${1:-${BRISKO_PREFIX:-xp32}} arch version
  case "$flavour" in
    xp32) arch=win32 version=winxp ;;
    win10-64) arch=win64 version=win10 ;;
    win7-64) arch=win64 version=win7 ;;
    *) say "unknown prefix flavour $flavour (xp32, win10-64, win7-64)"; return 1 ;;
  esac
  detect_wine
  if [ "$arch" = win32 ] && [ "$BRISKO_RUNS_32BIT" != 1 ]; then
    say "a $flavour prefix is a 32-bit one, and this machine cannot run Wine's 32-bit loader"
    return 1
  fi
  export BRISKO_PREFIX=$flavour
  BRISKO_SANDBOX=$(mktemp -d "${TMPDIR:-/tmp}/brisko-sandbox.XXXXXX")
  export BRISKO_SANDBOX
  export WINEPREFIX=$BRISKO_SANDBOX/prefix HOME=$BRISKO_SANDBOX/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  export XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$BRISKO_SANDBOX/run
  export XDG_DATA_DIRS=$BRISKO_SANDBOX/share XDG_CONFIG_DIRS=$BRISKO_SANDBOX/etc
  # No Mono or Gecko to install; and no winemenubuilder, which copies the prefix's Start menu
  # and file types into the Linux desktop's menus (here the sandbox's own, thrown away with it):
  # nothing of Windows, and it starts with every Wine session, which costs a second each time.
  export WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  local template=""
  if [ -n "${BRISKO_PREFIX_TEMPLATES:-}" ] && [ -e "$BRISKO_PREFIX_TEMPLATES/$flavour" ]; then
    template=$(readlink -f "$BRISKO_PREFIX_TEMPLATES/$flavour")
  fi
  if [ -n "$template" ]; then
    say "making a $flavour Wine sandbox in $BRISKO_SANDBOX (a copy of a fresh one)"
    copy_sandbox "$template" "$BRISKO_SANDBOX" || return 1
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    return 0
  fi
  # The home's folders as on any desktop: Wine keeps the recycle bin in XDG_DATA_HOME/Trash
  # and makes that folder, but not the ones above it.
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" &&
    chmod 700 "$XDG_RUNTIME_DIR"
  say "making a $flavour Wine sandbox in $BRISKO_SANDBOX"
  local log=$BRISKO_SANDBOX/wineboot.log status=0
  wineboot -i >"$log" 2>&1 || status=$?
  wineserver -w  # the registry reaches its files when the prefix's wineserver ends
  if [ "$status" != 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "wineboot could not make the $flavour prefix (exit status $status); its last words:"
    grep -v -E '^[0-9a-f]{4}:fixme:' "$log" | tail -5 >&2
    return 1
  fi
  wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1 ||
    { say "could not set the $flavour prefix's Windows version"; return 1; }
  wineserver -w
  rm -f "$WINEPREFIX/dosdevices/z:"
  [ ! -e "$WINEPREFIX/dosdevices/z:" ] || { say "could not remove z:"; return 1; }
  mkdir -p "$WINEPREFIX/drive_c/brisko"
}

# Copies the prefix and home folder of one sandbox, which no wineserver may hold, into
# another and points every link into the first at the same place in the second. Refuses a copy
# that still leads back into the first, or that has a z: drive.
copy_sandbox() {  # copy_sandbox FROM TO
  local from=$1 to=$2 link target
  cp -a "$from/prefix" "$from/home" "$to/" ||
    { say "could not copy the sandbox $from into $to"; return 1; }
  while IFS= read -r -d '' link; do
    target=$(readlink "$link")
    ln -sfn "$to${target#"$from"}" "$link" || { say "could not point $link into $to"; return 1; }
  done < <(find "$to" -type l \( -lname "$from" -o -lname "$from/*" \) -print0)
  if find "$to" -type l \( -lname "$from" -o -lname "$from/*" \) | grep -q .; then
    say "the copy $to still links back into $from"; return 1
  fi
  [ ! -e "$to/prefix/dosdevices/z:" ] || { say "the copy $to has a z: drive"; return 1; }
}

# Boots a fresh sandbox of a flavour for make_sandbox to copy, and names it
# TEMPLATES/<flavour>, where it stays until the caller removes it.
make_prefix_template() {  # make_prefix_template TEMPLATES FLAVOUR
  local templates=$1 flavour=$2
  mkdir -p "$templates"
  (
    unset BRISKO_PREFIX_TEMPLATES BRISKO_SANDBOX
    trap 'drop_sandbox; exit 143' TERM INT
    make_sandbox "$flavour" || { drop_sandbox; exit 1; }
    ln -sfn "$BRISKO_SANDBOX" "$templates/$flavour"
  )
}

drop_sandbox() {
  [ -n "${BRISKO_SANDBOX:-}" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$BRISKO_SANDBOX"
  unset BRISKO_SANDBOX
}

# --- a display -------------------------------------------------------------------------------
# Uses the user's display, or a private Xvfb when there is none. Xvfb picks a free display
# number itself (-displayfd), so several test runs on one machine never share a screen. Every
# Wine process is a client of the display, and a room of eight machines starts hundreds at
# once: more than the 256 Xvfb takes by default ("Maximum number of clients reached").
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    BRISKO_HEADLESS=0
    return 0
  fi
  local fifo n=""
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/brisko-display.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -maxclients 2048 3>"$fifo" \
    >/dev/null 2>&1 &
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

# Walks a Brisko through its windows as a user would and photographs each: the disclaimer,
# the main window at rest and, with `running`, during a run (which waits for the run to come
# to rest before Exit). The program and brisko-driver.exe must be in C:\brisko of the
# sandbox. Returns 1 when a window did not show or a picture could not be taken.
take_screenshots() {  # take_screenshots PROGRAM FOLDER [running]
  local program=$1 shots=$2 running=${3:-} brisko status=0
  mkdir -p "$shots"
  (
    cd "$WINEPREFIX/drive_c/brisko" || exit 1
    driver() { wine 'C:\brisko\brisko-driver.exe' "$@"; }
    wine "C:\\brisko\\$program" >/dev/null 2>&1 &
    brisko=$!
    # The pauses let the windows finish painting; the driver has already waited for them.
    driver wait-window disclaimer 60000 && sleep 1 && screenshot "$shots/disclaimer.png" &&
      driver click disclaimer next && driver wait-window main 60000 && sleep 2 &&
      screenshot "$shots/main.png" || status=1
    if [ "$status" = 0 ] && [ -n "$running" ]; then
      driver click main optimize && sleep 3 && screenshot "$shots/main-running.png" &&
        driver wait-rest 60000 || status=1
    fi
    driver click main exit || status=1
    wait "$brisko"
    exit "$status"
  ) >/dev/null 2>&1 || { say "could not take every screenshot of $program"; return 1; }
}
