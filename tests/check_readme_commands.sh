#!/usr/bin/env bash
# The checker commands of the README's "See every screen before rollout", run exactly as
# printed there, in the source folder's layout, with the `wine` the caller's PATH finds:
# not the scripts' own 64-bit loader (scripts/wine-env.sh), which would hide a machine
# whose plain `wine` no longer starts. scripts/test.sh runs this after the suite.
# Usage: check_readme_commands.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
out="$build/readme-commands"
section="See every screen before rollout"

# The user's PATH: a caller that sourced scripts/wine-env.sh passes on its loader folder.
path="" dir=""
IFS=: read -ra dirs <<<"$PATH"
for dir in "${dirs[@]}"; do
  case "$dir" in */.wine-loader) ;; *) path="${path:+$path:}$dir" ;; esac
done
export PATH="$path"
unset WINELOADER WINEARCH WINEDEBUG FERROLT_PREFIX_TEMPLATE FERROLT_PREFIX_READY

if ! timeout -k 5 60 wine --version >/dev/null 2>&1 </dev/null; then
  if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "README commands NOT RUN: plain \"wine\" cannot start: 32-bit Wine (wine32:i386) is installed but this kernel cannot run 32-bit programs; \"apt-get remove wine32:i386\" gives the machine its wine back"
    exit 0
  fi
  echo "FAIL: plain \"wine --version\" fails with this PATH: $(command -v wine || echo 'no wine')" >&2
  exit 1
fi

# Every indented line of the section that starts with "wine" or "wineserver", in the
# README's order: setting up a prefix without a display, then the sample's preview.
mapfile -t commands < <(awk -v section="## $section" '
  /^## / { inside = ($0 == section) }
  inside && /^    wine(server)? / { sub(/^    /, ""); print }' "$source_dir/README.md")
preview=$(printf '%s\n' "${commands[@]}" | grep -m1 '^wine build/FerroltCheck\.exe /preview build/preview-sample ')
if [ -z "$preview" ]; then
  echo "FAIL: the README's section \"$section\" has no preview command of build/FerroltCheck.exe" >&2
  exit 1
fi

# The source folder's layout: build/ is the build folder, setup/ the sources'. A prefix of
# its own, as the README advises for the checker, made by the same wine.
[ -d "$out/prefix" ] && WINEPREFIX="$out/prefix" timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null
rm -rf "$out" "$build/preview-sample"
mkdir -p "$out/run" || exit 1
ln -s "$build" "$out/run/build"
ln -s "$source_dir/setup" "$out/run/setup"
export WINEPREFIX="$out/prefix"
cd "$out/run" || exit 1
failures=0

# Before the prefix has the null driver, without a display: no window, so no pictures,
# which the checker must say (exit code 4) instead of reporting every screen as refused.
env -u DISPLAY -u WAYLAND_DISPLAY timeout -k 5 600 bash -c "$preview" >"$out/output.txt" 2>&1 </dev/null
status=$?
timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null
if [ "$status" -ne 4 ] || ! grep -q 'no window can be made' "$out/output.txt"; then
  echo "FAIL: without a display the preview ended with $status, not 4 saying why:" >&2
  tail -n 5 "$out/output.txt" >&2
  failures=$((failures + 1))
fi
rm -rf "$build/preview-sample"
for command in "${commands[@]}"; do
  echo "\$ $command"
  timeout -k 5 600 bash -c "$command" >"$out/output.txt" 2>&1 </dev/null
  status=$?
  # The checker's 1 is warnings only: the sample sets no UpdateKey, which it warns about.
  case "$command" in *FerroltCheck.exe*) [ "$status" -eq 1 ] && status=0 ;; esac
  if [ "$status" -ne 0 ]; then
    echo "FAIL: exit code $status:" >&2
    tail -n 20 "$out/output.txt" >&2
    failures=$((failures + 1))
  fi
done
timeout -k 5 60 wineserver -k >/dev/null 2>&1 </dev/null

# The sample's page, with a picture for each of its screens.
page="$build/preview-sample/index.html"
if [ ! -f "$page" ]; then
  echo "FAIL: the preview wrote no $page" >&2
  exit 1
fi
mapfile -t pictures < <(grep -o 'class="shot" src="[^"]*"' "$page" | sed 's/.*src="//; s/"$//')
[ "${#pictures[@]}" -ge 2 ] || { echo "FAIL: $page shows ${#pictures[@]} pictures, the sample has 2 screens" >&2; failures=$((failures + 1)); }
for picture in "${pictures[@]}"; do
  [ -s "$build/preview-sample/$picture" ] || { echo "FAIL: $picture is missing" >&2; failures=$((failures + 1)); }
done
[ "$failures" -eq 0 ] && echo "README commands: ${#commands[@]} run as printed, with $(command -v wine)"
[ "$failures" -eq 0 ]
