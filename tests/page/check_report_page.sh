#!/usr/bin/env bash
# The preview's report page in a real browser (Debian's chromium, headless, offline): the
# shipped samples and a script full of markup are previewed with FerroltCheck under Wine,
# then each page must load without errors, every picture must load, every link must lead
# to a section of the page, no script may appear in it, and a screenshot must show more
# than a blank page. Usage: check_report_page.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
here="$source_dir/tests/page"
export FERROLT_BUILD="$build"
. "$source_dir/scripts/wine-env.sh"
out="$build/report-page-test"
rm -rf "$out"
mkdir -p "$out"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A script whose texts are markup, quotes and a configuration name no file system takes.
cat > "$out/markup.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt]
"ActiveProfile"="Markup"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Markup\Default\Settings]
"Mode"="Details"
"TitleBar"="<b>Title</b> & \"quotes\""
"Headings"=dword:00000001

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Markup\Default\Programs\Prog1]
"Description"="<script>alert('label')</script>"
"Name"="\\Windows\\<img src=x onerror=alert(1)>.exe"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Markup\Default\Programs\Prog2]
"Description"="Next"
"Call"="a:b*c?"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Markup\a:b*c?\Settings]
"Mode"="Menu Bars"
"Return"="</table><script>alert(2)</script>"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Markup\a:b*c?\Programs\Prog1]
"Description"="\" onmouseover=\"alert(3)"
"Name"="\\Windows\\notepad.exe"
REG

chromium_run() {
  local profile
  profile="$(mktemp -d "$out/chromium-XXXXXX")"
  timeout -k 5 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@"
}

# check_page NAME SCRIPT PICTURES [options]: FerroltCheck /preview into $out/NAME, then the
# page in the browser. PREVIEW_LINKS=pages lets an index link to its sub-folders' pages;
# PREVIEW_SHOWN is the number of pictures the page itself shows (default: PICTURES).
check_page() {
  local name="$1" script="$2" pictures="$3"
  shift 3
  local folder="$out/$name"
  local status=0
  local scripts=()
  [ -n "$script" ] && scripts=("$(winepath -w "$script")")
  "$source_dir/scripts/wine-run.sh" "$build/FerroltCheck.exe" /preview "$(winepath -w "$folder")" \
    "$@" "${scripts[@]}" > "$out/$name.txt" 2>&1 || status=$?
  if [ "$status" -gt 2 ] || [ ! -f "$folder/index.html" ]; then
    fail "$name: FerroltCheck /preview ended with $status"; cat "$out/$name.txt" >&2; return
  fi
  local count
  count=$(find "$folder" -name '*.png' | wc -l)
  [ "$count" -eq "$pictures" ] || fail "$name: $count pictures, expected $pictures"
  local shown="${PREVIEW_SHOWN:-$pictures}"

  chromium_run --allow-file-access-from-files --enable-logging=stderr --v=0 \
    --virtual-time-budget=10000 --dump-dom \
    "file://$here/harness.html?page=file://$folder/index.html&links=${PREVIEW_LINKS:-}" \
    > "$out/$name.dom" 2> "$out/$name.log" || true
  local result
  result=$(sed -n 's/.*<pre id="result">\([^<]*\).*/\1/p' "$out/$name.dom")
  case "$result" in
    "PASS $shown pictures"*) ;;
    *) fail "$name: $(sed -n '/<pre id="result">/,/<\/pre>/p' "$out/$name.dom")" ;;
  esac
  if grep -E 'CONSOLE|Uncaught|Not allowed to load' "$out/$name.log" >&2; then
    fail "$name: the browser reported errors"
  fi

  chromium_run --screenshot="$out/$name-page.png" --window-size=1000,1400 \
    "file://$folder/index.html" > /dev/null 2>&1 || true
  if [ ! -f "$out/$name-page.png" ]; then
    fail "$name: no screenshot"
  else
    local colours
    colours=$(python3 "$here/png_detail.py" "$out/$name-page.png")
    [ "$colours" -gt 20 ] || fail "$name: the screenshot is blank ($colours colours)"
  fi
}

. "$source_dir/scripts/wine-env.sh"
check_page sample-ce "$source_dir/setup/package/CE_Ferrolt.reg" 2
check_page sample-wm "$source_dir/setup/package/WM_Ferrolt.reg" 2 /platform wm /screen 480x640
check_page markup "$out/markup.reg" 2
for pattern in "<script" "<b>Title" "<img src=x"; do
  if grep -qF "$pattern" "$out/markup/index.html"; then
    fail "markup: \"$pattern\" reached the page unescaped"
  fi
done
grep -qF '&lt;script&gt;alert(&#39;label&#39;)' "$out/markup/index.html" ||
  fail "markup: the label is not shown as text"

# Entries behind a password: a lock beside their labels in the pictures, a Password column,
# the screens behind a password on the map; never the hash.
hash='pbkdf2-sha1$10000$00112233445566778899aabbccddeeff$0c60c80f961f0e71f3a9b524af6012062fe037a6'
cat > "$out/service.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt]
"ActiveProfile"="Depot"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Default\Settings]
"Mode"="Details"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Default\Programs\Prog1]
"Description"="Scanner"
"Name"="\\Windows\\scan.exe"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Default\Programs\Prog2]
"Description"="Service"
"Call"="Service"
"Password"="$hash"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Service\Settings]
"Mode"="Menu Bars"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Service\Programs\Prog1]
"Description"="Registry editor"
"Name"="\\Windows\\regedit.exe"
"Password"="$hash"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Service\Programs\Prog2]
"Description"="Deeper"
"Call"="Deep"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Deep\Settings]
"Mode"="List"

[HKEY_CURRENT_USER\Software\OrvantLLC\Ferrolt\Profiles\Depot\Deep\Programs\Prog1]
"Description"="Command prompt"
"Name"="\\Windows\\cmd.exe"
REG
check_page service "$out/service.reg" 3
# The map's item mark and two screens behind, two "asks" cells, two paragraphs of the screens.
grep -qF '7 lock marks, behind a password: [Service|Deep]' "$out/service.dom" ||
  fail "service: the page marks $(sed -n 's/.*links, \([^\n]*\]\).*/\1/p' "$out/service.dom")"
grep -qF '<th>Password</th>' "$out/service/index.html" || fail "service: no Password column"
! grep -qF '0c60c80f' "$out/service/index.html" || fail "service: the hash reached the page"
for shot in Default:1 Service:1 Deep:0; do
  locks=$(python3 "$here/png_detail.py" "$out/service/${shot%%:*}.png" d9a400)
  if [ "${shot##*:}" -eq 1 ]; then
    [ "$locks" -gt 20 ] || fail "service: no lock beside a label in ${shot%%:*}.png ($locks pixels)"
  else
    [ "$locks" -eq 0 ] || fail "service: a lock in ${shot%%:*}.png, which has no protected entry"
  fi
done

# Many scripts: a folder per script with its own page, and an index with each home screen.
mkdir -p "$out/fleet-scripts"
cp "$source_dir/setup/package/CE_Ferrolt.reg" "$out/fleet-scripts/ce.reg"
cp "$out/markup.reg" "$out/fleet-scripts/markup.reg"
PREVIEW_LINKS=pages PREVIEW_SHOWN=2 check_page fleet "" 4 "$(winepath -w "$out/fleet-scripts")"
for page in fleet/ce/index.html fleet/markup/index.html; do
  [ -f "$out/$page" ] || fail "fleet: no $page"
done
grep -qF 'href="ce/index.html"' "$out/fleet/index.html" || fail "fleet: no link to a script's page"

# /diff: the screens that change, before and after side by side, the changed items marked.
sed -e 's/"Description"="Next"/"Description"="Onwards"/' -e 's/"Mode"="Details"/"Mode"="List"/' \
  "$out/markup.reg" > "$out/markup-after.reg"
PREVIEW_SHOWN=2 check_page diff "" 4 /diff "$(winepath -w "$out/markup.reg")" "$(winepath -w "$out/markup-after.reg")"
grep -qF '<tr class="marked">' "$out/diff/index.html" || fail "diff: no changed item marked"
grep -qF 'before-Default.png' "$out/diff/index.html" && grep -qF 'after-Default.png' "$out/diff/index.html" ||
  fail "diff: the home screen is not shown before and after"

# A folder that cannot be made, and a screen too large to keep pictures of, end with 4.
touch "$out/a-file"
sample="$(winepath -w "$source_dir/setup/package/CE_Ferrolt.reg")"
for case in "a-file" "huge /screen 5000x400"; do
  set -- $case
  status=0
  "$source_dir/scripts/wine-run.sh" "$build/FerroltCheck.exe" /preview "$(winepath -w "$out/$1")" \
    "${@:2}" "$sample" > /dev/null 2>&1 || status=$?
  [ "$status" -eq 4 ] || fail "/preview into $case ended with $status, expected 4"
done

[ "$failures" -eq 0 ] && echo "report pages: all checks passed"
exit $((failures > 0))
