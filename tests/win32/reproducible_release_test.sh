#!/usr/bin/env bash
# The release is reproducible: a copy of this tree, in a folder of another name and depth,
# built by a differently named user with another time zone, locale and umask, gives the same
# programs, installers, SHA256SUMS and package manifests, byte for byte, as the release the
# test run built in the tree itself (signed as it was, when a certificate is given).
#   reproducible_release_test.sh SOURCE_TREE RELEASE_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
release=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH

other=$work/somewhere/else/with-a-longer-name
mkdir -p "$other" "$work/home"
tar -C "$source" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$other" -xf -
echo "building in $other, as another user"
(
  umask 077
  export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 USER=someone LOGNAME=someone HOME=$work/home
  # Only what the release needs, two jobs at most.
  BRISKO_BUILD=$other/build BRISKO_JOBS=2 BRISKO_TARGET=brisko bash "$other/scripts/release" \
    >/dev/null
)

status=0
files() { (cd "$1" && find . -type f | sort); }
if [ "$(files "$release")" != "$(files "$other/build/release")" ]; then
  echo "FAILED: the two releases hold different files"
  diff <(files "$release") <(files "$other/build/release")
  status=1
fi
for file in $(files "$release"); do
  if cmp "$release/$file" "$other/build/release/$file"; then
    echo "ok: ${file#./} is the same in both"
  else
    echo "FAILED: ${file#./} differs between the two builds"
    status=1
  fi
done
# Both programs, both installers, SHA256SUMS and the six files of the package manifests.
[ "$(files "$release" | wc -l)" = 11 ] || { echo "FAILED: expected eleven files"; status=1; }
cat "$release/SHA256SUMS"
exit $status
