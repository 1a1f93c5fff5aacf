#!/usr/bin/env bash
# A signed release: osslsigncode accepts the signature of both programs and both installers
# against the certificate that signed them, and refuses a copy of each with one byte changed.
#   signature_test.sh RELEASE_DIR CA_CERTIFICATE
set -uo pipefail
release=$1
ca=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-signature.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
check() {  # check WHAT COMMAND...: the command must succeed
  local what=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    cat "$work/out"
    status=1
  fi
}
verifies() { osslsigncode verify -CAfile "$ca" -in "$1"; }
for file in $(cd "$release" && ls ./*.exe); do
  file=${file#./}
  check "$file is signed" verifies "$release/$file"
  # One byte in the middle of the file: the signature no longer matches.
  cp "$release/$file" "$work/$file"
  size=$(stat -c %s "$work/$file")
  printf '\x5a' | dd of="$work/$file" bs=1 seek=$((size / 2)) conv=notrunc 2>/dev/null
  if cmp -s "$release/$file" "$work/$file"; then
    printf '\xa5' | dd of="$work/$file" bs=1 seek=$((size / 2)) conv=notrunc 2>/dev/null
  fi
  if verifies "$work/$file" >"$work/out" 2>&1; then
    echo "FAILED: a copy of $file with one byte changed still verifies"
    status=1
  else
    echo "ok: a copy of $file with one byte changed is refused"
  fi
done
[ "$(cd "$release" && ls ./*.exe | wc -l)" = 4 ] || { echo "FAILED: expected four programs and installers"; status=1; }
echo "signatures: $([ "$status" = 0 ] && echo "all checks passed" || echo "some checks failed")"
exit $status
