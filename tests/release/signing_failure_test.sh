#!/usr/bin/env bash
# A signing command that fails fails the release and leaves no unsigned file behind: makensis
# keeps the unsigned installer when a finalize command fails, so the release must remove it.
# The programs are taken from the build folder as they are, and osslsigncode is a stand-in that
# fails for the uninstaller (which makensis hands over as a temporary file), or for the
# installer.
#   signing_failure_test.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
built=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0

# The stand-in signs by copying, and refuses files whose name matches $REFUSE.
mkdir -p "$work/bin"
cat >"$work/bin/osslsigncode" <<'STANDIN'
#!/usr/bin/env bash
[ "$1" = --version ] && { echo "osslsigncode 2.5, stand-in"; exit 0; }
while [ $# -gt 0 ]; do
  case "$1" in -in) in=$2; shift ;; -out) out=$2; shift ;; esac
  shift
done
[[ "$in" =~ $REFUSE ]] && { echo "stand-in: refusing $in" >&2; exit 1; }
cp "$in" "$out"
STANDIN
chmod +x "$work/bin/osslsigncode"
touch "$work/cert.pfx" "$work/pass.txt"

for refused in 'setup\.exe$' '/makensis[^/]*$'; do
  what="the installer"
  [ "$refused" = 'setup\.exe$' ] || what="the uninstaller"
  (
    export PATH=$work/bin:$PATH REFUSE=$refused SOURCE_DATE_EPOCH=1765000000
    export BRISKO_SIGN_PFX=$work/cert.pfx BRISKO_SIGN_PASS_FILE=$work/pass.txt
    export BRISKO_BUILD=$work/build
    . "$here/../../scripts/common.sh"
    # The programs as built; only the release's own steps run here.
    build_product() {
      mkdir -p "$BRISKO_BUILD/$1"
      cp "$built/$1/$(program_name "$1")" "$BRISKO_BUILD/$1/"
    }
    build_release 2>"$work/release.txt"
  )
  if [ $? = 0 ]; then
    echo "FAILED: the release went through although signing $what failed"
    status=1
  else
    echo "ok: the release fails when signing $what fails: $(grep -v '^==> signing' "$work/release.txt" | tail -1)"
  fi
  left=$(find "$work/build/release" -name '*setup.exe' 2>/dev/null)
  if [ -n "$left" ]; then
    echo "FAILED: an unsigned installer was left behind: $left"
    status=1
  else
    echo "ok: no installer left behind"
  fi
  rm -rf "$work/build/release"
done
exit $status
