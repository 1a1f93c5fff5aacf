#!/usr/bin/env bash
# The release is reproducible: two copies of this tree, in folders of different names and
# depths, built one after the other by differently named users with other time zones,
# locales and umasks, give byte-identical programs, installers and SHA256SUMS.
set -euo pipefail
source=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH

copy() {
  mkdir -p "$1"
  tar -C "$source" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$1" -xf -
}
release() {  # release TREE: only what the release needs, two jobs at most
  BRISKO_BUILD=$1/build BRISKO_JOBS=2 BRISKO_TARGET=brisko bash "$1/scripts/release" >/dev/null
}
one=$work/a
two=$work/somewhere/else/with-a-longer-name
copy "$one"
copy "$two"
echo "building in $one"
release "$one"
echo "building in $two, as another user"
mkdir -p "$work/home"
(
  umask 077
  export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 USER=someone LOGNAME=someone HOME=$work/home
  release "$two"
)

status=0
for file in $(cd "$one/build/release" && ls); do
  if cmp "$one/build/release/$file" "$two/build/release/$file"; then
    echo "ok: $file is the same in both"
  else
    echo "FAILED: $file differs between the two builds"
    status=1
  fi
done
# Both programs, both installers and SHA256SUMS.
[ "$(ls "$one/build/release" | wc -l)" = 5 ] || { echo "FAILED: expected five files"; status=1; }
cat "$one/build/release/SHA256SUMS"
exit $status
