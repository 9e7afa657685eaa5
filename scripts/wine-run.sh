#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix, with the device root "\"
# being the prefix's C: drive. Used by ctest as the cross-compiling emulator; under ctest
# the prefix is the test's own (see wine-env.sh).
#
# Wine now and then fails to start a program at all (the loader gives up before the
# program's own code runs, with no output). A test program marks that it started; when
# one exits without that mark, it never ran, and it is started again (twice at most).
# A test program that started is never run again, whatever its result.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cd "$WINEPREFIX/drive_c" || exit 97

limit=(timeout -k 5 "${FERROLT_RUN_TIMEOUT:-300}")

case "$(basename "${1:-}")" in
  test_*.exe) ;;
  *) "${limit[@]}" wine "$@"; exit $? ;;
esac

mkdir -p "$WINEPREFIX/drive_c/.ferrolt-marks" || exit 97
mark="$WINEPREFIX/drive_c/.ferrolt-marks/started-$$"
export FERROLT_STARTED_MARK="C:\\.ferrolt-marks\\started-$$"
status=0
for attempt in 1 2 3; do
  rm -f "$mark"
  "${limit[@]}" wine "$@"
  status=$?
  if [ "$status" -eq 0 ] || [ -e "$mark" ]; then
    break
  fi
  echo "wine-run: $(basename "$1") did not start (exit code $status, attempt $attempt)" >&2
done
rm -f "$mark"
exit "$status"
