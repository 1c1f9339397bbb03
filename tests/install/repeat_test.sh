#!/usr/bin/env bash
# Runs the install test twice in a row and checks after each run that no
# process it started is left and that the build's install_manifest.txt
# (what removes a real install) is as it was.
#
#   repeat_test.sh BUILD_DIR CMAKE
#
# Exits 77 (skipped) when the install test skips.
set -uo pipefail

build=$1
cmake=$2
test_script=$(cd "$(dirname "$0")" && pwd)/install_test.sh

fail() { echo "FAILED: $*"; exit 1; }

. "$(dirname "${BASH_SOURCE[0]}")/manifest_state.sh"

# The run in progress: ended and waited for on every way out.
child=
cleanup() {
  if [ -n "$child" ]; then
    kill -TERM "$child" 2>/dev/null
    wait "$child" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The check must see a marked process when there is one; this shell's own
# environment never holds a mark, so only its children are found.
mark=repeat.$$.$RANDOM$RANDOM
INSTALL_TEST_MARK=$mark.self sleep 60 &
child=$!
seen=$(bash "$test_script" --marked "$mark.self")
kill "$child"
wait "$child" 2>/dev/null
[ "$seen" = "$child sleep 60" ] || fail "the process check does not find the one marked process: '$seen'"
child=
[ -z "$(bash "$test_script" --marked "$mark.self")" ] || fail "the marked process did not end"

before=$(manifest_state)
for run in 1 2; do
  echo "== install test, run $run"
  INSTALL_TEST_MARK=$mark.$run bash "$test_script" "$build" "$cmake" &
  child=$!
  wait "$child"
  rc=$?
  child=
  [ $rc -eq 77 ] && exit 77
  [ $rc -eq 0 ] || fail "run $run of the install test failed ($rc)"
  left=$(bash "$test_script" --marked "$mark.$run")
  [ -z "$left" ] || fail "run $run left processes running:"$'\n'"$left"
  [ "$(manifest_state)" = "$before" ] || fail "run $run changed $build/install_manifest.txt"
done
echo "PASSED: two runs, nothing left running, install_manifest.txt unchanged"
