#!/usr/bin/env bash
# Runs the cross-built Windows executables under Wine in a virtual X display
# and compares what they write with what the Linux build writes.
#
#   wine_tests.sh WIN_BUILD LINUX_INSTALLER LINUX_TOOL
#
# WIN_BUILD holds Ferrovello.exe and scenario-tool.exe (`make windows`) and
# the Wine prefix of the tests (WIN_BUILD/wine-prefix, made on the first run).
# Exits 77 (skipped) when the executables, Wine or xvfb-run are missing,
# except in CI.
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 WIN_BUILD LINUX_INSTALLER LINUX_TOOL" >&2
  exit 2
fi
win_build=$(cd "$1" 2>/dev/null && pwd) || win_build=$1
linux_installer=$(realpath "$2")
linux_tool=$(realpath "$3")

# In CI (CI=true) everything is installed first, so a missing piece fails.
skip() {
  if [ "${CI:-}" = true ]; then
    echo "FAILED: $* (CI must run the Wine tests)"
    exit 1
  fi
  echo "skipped: $*"
  exit 77
}
[ -f "$win_build/Ferrovello.exe" ] && [ -f "$win_build/scenario-tool.exe" ] ||
  skip "no Windows executables in $win_build (make windows)"
command -v wine > /dev/null || skip "wine is not installed"
command -v wineboot > /dev/null || skip "wineboot is not installed"
command -v xvfb-run > /dev/null || skip "xvfb-run is not installed"

# A quiet Wine: no debug output, no offer to install Mono or Gecko, its own
# prefix beside the executables.
export WINEPREFIX="$win_build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Everything below runs inside one virtual X display.
if [ -z "${FERROVELLO_WINE_DISPLAY:-}" ]; then
  export FERROVELLO_WINE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (first run only)"
  wineboot -i > /dev/null 2>&1
fi
# One wine server for all the runs below, ended on the way out.
wineserver -p > /dev/null 2>&1
work=$(mktemp -d "${TMPDIR:-/tmp}/ferrovello-wine-XXXXXX")
drive="$WINEPREFIX/dosdevices/r:"
cleanup() {
  wineserver -k > /dev/null 2>&1
  rm -f "$drive"
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() {
  echo "ok: $*"
  passed=$((passed + 1))
}
fail() {
  echo "FAILED: $*"
  failed=$((failed + 1))
}

scripts=("Ferrovello_linea.txt" "Ferrovello_2632-.txt")

# Files of a folder, one per line, sorted, without the program itself.
list_files() {
  (cd "$1" && find . -maxdepth 1 -type f ! -name '*.exe' ! -name ferrovello -printf '%f\n' | LC_ALL=C sort)
}

# Folder $1 holds exactly the reference files (those of folder $3, by
# default the Linux installer's), byte for byte, and no script or temporary
# file.
same_files() {
  local folder=$1 what=$2 reference=${3:-$work/reference} ok=1 name
  if [ "$(list_files "$folder")" != "$(list_files "$reference")" ]; then
    echo "  files in $folder:"; list_files "$folder" | sed 's/^/    /'
    echo "  files of the Linux build:"; list_files "$reference" | sed 's/^/    /'
    ok=0
  fi
  while read -r name; do
    cmp -s "$reference/$name" "$folder/$name" || { echo "  $name differs from the Linux build's"; ok=0; }
  done < <(list_files "$reference")
  for name in "${scripts[@]}"; do
    [ ! -e "$folder/$name" ] || { echo "  script $name left behind"; ok=0; }
  done
  if [ "$ok" = 1 ]; then pass "$what"; else fail "$what"; fi
}

# Runs Ferrovello.exe under Wine from another, empty working folder, so that
# the program must find its own folder by itself; nothing may appear in the
# working folder. $1: Windows or Linux path of the exe.
run_installer() {
  local status
  mkdir -p "$work/cwd"
  (cd "$work/cwd" && wine "$1" > "$work/installer.out" 2>&1)
  status=$?
  if [ -n "$(ls -A "$work/cwd")" ]; then
    echo "  files written into the working folder: $(ls -A "$work/cwd" | tr '\n' ' ')"
    rm -rf "${work:?}/cwd"
    return 99
  fi
  return "$status"
}

# Runs a program under Wine that is to end on a message box titled
# "Ferrovello": waits for the box, notes the size of the window "Form1"
# behind it, closes the box with the Return key for its one OK button and
# waits for the end. Sets box, form_size, ended (1 when the program ended by
# itself) and status.  $1: the exe, $2: where its output goes.
run_to_message_box() {
  local pid form
  mkdir -p "$work/cwd"
  (cd "$work/cwd" && exec wine "$1" > "$2" 2>&1) &
  pid=$!
  box=""
  for _ in $(seq 1 600); do
    box=$(xdotool search --name '^Ferrovello$' 2> /dev/null | head -n 1)
    [ -n "$box" ] && break
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
  done
  form=$(xdotool search --name '^Form1$' 2> /dev/null | head -n 1)
  form_size=""
  [ -n "$form" ] && form_size=$(xdotool getwindowgeometry "$form" | sed -n 's/^ *Geometry: //p')
  [ -n "$box" ] && xdotool key --window "$box" Return 2> /dev/null
  ended=0
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2> /dev/null || { ended=1; break; }
    sleep 0.1
  done
  if [ "$ended" = 0 ]; then
    kill "$pid" 2> /dev/null
    wineserver -k > /dev/null 2>&1
    wineserver -p > /dev/null 2>&1
  fi
  wait "$pid"
  status=$?
}

# --- reference: the Linux build's installer --------------------------------
mkdir -p "$work/reference"
cp "$linux_installer" "$work/reference/ferrovello"
mkdir -p "$work/cwd-linux"
if ! (cd "$work/cwd-linux" && "$work/reference/ferrovello" > /dev/null 2>&1); then
  echo "FAILED: the Linux installer did not run"
  exit 1
fi
rm "$work/reference/ferrovello"
echo "Linux build leaves: $(list_files "$work/reference" | tr '\n' ' ')"

# --- the installer in a fresh folder, and in one with spaces and accents ----
for sub in "fresh" "Giochi/Località prova à è ì ò ù"; do
  folder="$work/$sub"
  mkdir -p "$folder"
  cp "$win_build/Ferrovello.exe" "$folder/"
  if run_installer "$folder/Ferrovello.exe"; then
    same_files "$folder" "Ferrovello.exe in \"$sub\""
  else
    fail "Ferrovello.exe in \"$sub\" ended with status $?"; cat "$work/installer.out"
  fi
done

# --- a second run over stale, longer files of the same names ----------------
folder="$work/stale"
mkdir -p "$folder"
cp "$win_build/Ferrovello.exe" "$folder/"
while read -r name; do
  { cat "$work/reference/$name"; head -c 100000 /dev/urandom; } > "$folder/$name"
done < <(list_files "$work/reference")
if run_installer "$folder/Ferrovello.exe"; then
  same_files "$folder" "Ferrovello.exe over stale longer files"
else
  fail "Ferrovello.exe over stale files ended with status $?"; cat "$work/installer.out"
fi

# --- a script of the author's where the run writes its own: kept, refused ----
head -c 20000 /dev/urandom > "$folder/${scripts[1]}"
cp "$folder/${scripts[1]}" "$work/author-script"
run_to_message_box "$folder/Ferrovello.exe" "$work/kept.out"
if [ -n "$box" ] && [ "$status" = 1 ] && cmp -s "$folder/${scripts[1]}" "$work/author-script" &&
   [ ! -e "$folder/${scripts[0]}" ]; then
  pass "Ferrovello.exe refuses to write over a script of the author's, and keeps it"
else
  fail "a script of the author's: box '${box:-none}', status $status"; cat "$work/kept.out"
fi
rm -f "$folder/${scripts[1]}"

# --- the program in a drive root: "R:\" + "\" + name ------------------------
folder="$work/root"
mkdir -p "$folder"
cp "$win_build/Ferrovello.exe" "$folder/"
rm -f "$drive"
ln -s "$folder" "$drive"
if run_installer 'R:\Ferrovello.exe'; then
  same_files "$folder" "Ferrovello.exe in a drive root"
else
  fail "Ferrovello.exe in a drive root ended with status $?"; cat "$work/installer.out"
fi

# --- a platform failure: the window, the message box, the end ---------------
# A folder in place of the line script makes writing it fail: the program
# shows the progress window, then the message box titled "Ferrovello" over
# it, and ends with status 1 once the box is closed (here by xdotool, with
# the Return key for its one OK button). Under Wine's default 96 dots per
# inch the client area of 4200 x 2688 twips is 280 x 179 pixels; the X
# window that Wine makes for "Form1" is exactly the client area.
if command -v xdotool > /dev/null; then
  folder="$work/failure"
  mkdir -p "$folder/Ferrovello_linea.txt"
  cp "$win_build/Ferrovello.exe" "$folder/"
  run_to_message_box "$folder/Ferrovello.exe" "$work/failure.out"
  if [ -n "$box" ] && [ "$form_size" = "280x179" ] && [ "$ended" = 1 ] && [ "$status" = 1 ] &&
     [ -z "$(cd "$folder" && ls -- *.dat *.sim 2> /dev/null)" ]; then
    pass "Ferrovello.exe on a failure: window \"Form1\" $form_size, message box, status 1"
  else
    fail "Ferrovello.exe on a failure: box ${box:-not shown}, Form1 ${form_size:-not shown}," \
      "ended $ended, status $status"
    cat "$work/failure.out"
  fi
else
  echo "not run: the message box check (xdotool is not installed)"
fi

# --- the lock as a link: refused, never followed -----------------------------
# The Win32 platform refuses a lock file that is a reparse point (a symbolic
# link or a junction) before it opens it. Wine shows a Unix link to a folder
# as a reparse point, as Windows shows a junction: that is the case made
# here. A Unix link to a file Wine shows as the file it leads to, and opens
# through, so the refusal of a link to a file cannot be seen under Wine.
if command -v xdotool > /dev/null; then
  folder="$work/link-lock"
  elsewhere="$work/link-lock-target"
  mkdir -p "$folder" "$elsewhere"
  echo "altrove" > "$elsewhere/dentro.txt"
  cp "$win_build/Ferrovello.exe" "$folder/"
  ln -s "$elsewhere" "$folder/Ferrovello.lock"
  WINEDEBUG=-all,trace+msgbox run_to_message_box "$folder/Ferrovello.exe" "$work/link-lock.out"
  if [ -n "$box" ] && [ "$ended" = 1 ] && [ "$status" = 1 ] &&
     grep -q 'Ferrovello.lock\\".*un collegamento simbolico, che il blocco non segue' "$work/link-lock.out" &&
     [ "$(readlink "$folder/Ferrovello.lock")" = "$elsewhere" ] &&
     [ "$(list_files "$folder" | tr '\n' ' ')" = "" ] && [ "$(ls -A "$elsewhere")" = dentro.txt ] &&
     [ "$(cat "$elsewhere/dentro.txt")" = altrove ]; then
    pass "Ferrovello.exe refuses a link to a folder as its lock: message box, status 1, the link and its folder kept"
  else
    fail "a link as the lock: box ${box:-not shown}, ended $ended, status $status," \
      "files: $(ls -A "$folder" | tr '\n' ' '), in the folder linked: $(ls -A "$elsewhere" | tr '\n' ' ')"
    grep -a 'MSGBOX_OnInit' "$work/link-lock.out" | sed 's/^/    /'
  fi
fi

# --- scenario-tool.exe compile ----------------------------------------------
# Names with spaces and accented letters, which the console tool receives in
# the ANSI code page.
scripts_folder="$work/scrìpt à"
mkdir -p "$scripts_folder"
"$linux_tool" scripts --out "$scripts_folder" > /dev/null
# A train script with a fault: a station beyond the end of the route.
sed 's/^stazione,  8050,/stazione,  95000,/' "$scripts_folder/Ferrovello_2632-.txt" > "$scripts_folder/guasto.txt"
if cmp -s "$scripts_folder/guasto.txt" "$scripts_folder/Ferrovello_2632-.txt"; then
  fail "could not make a faulty train script"
fi
cp "$win_build/scenario-tool.exe" "$work/"

# Runs both tools on one pair of scripts (paths relative to $work/$1, which
# both understand) into out-linux/ and out-windows/ of $work/$1; sets
# status_linux and status_windows.
compile_both() {
  local case_folder="$work/$1" line=$2 train=$3
  mkdir -p "$case_folder"
  (cd "$case_folder" && "$linux_tool" compile --line "$line" --train "$train" --out out-linux \
     > linux.out 2> linux.err)
  status_linux=$?
  (cd "$case_folder" && wine "$work/scenario-tool.exe" compile --line "$line" --train "$train" --out out-windows \
     > windows.out 2> windows.err)
  status_windows=$?
  tr -d '\r' < "$case_folder/windows.err" > "$case_folder/windows.err.lf"
}

# Compiles one case on both systems (compile_both) and passes when both end
# with status $4, the Windows messages hold the pattern $5 (if not empty) and
# are byte for byte the Linux ones, and the files are written alike: the same names and
# bytes on both systems with status 0, no route file with status 1.
#   compare_both CASE LINE TRAIN STATUS PATTERN WHAT
compare_both() {
  local case_name=$1 status=$4 pattern=$5 what=$6 ok=1 f
  compile_both "$case_name" "$2" "$3"
  local folder="$work/$case_name"
  [ "$status_windows" = "$status" ] && [ "$status_linux" = "$status" ] || ok=0
  { [ -z "$pattern" ] || grep -q "$pattern" "$folder/windows.err.lf"; } &&
    cmp -s "$folder/linux.err" "$folder/windows.err.lf" || ok=0
  if [ "$status" = 0 ]; then
    [ -n "$(ls "$folder/out-linux")" ] || ok=0
    [ "$(ls "$folder/out-linux" | LC_ALL=C sort)" = "$(ls "$folder/out-windows" | LC_ALL=C sort)" ] || ok=0
    for f in "$folder"/out-linux/*; do
      cmp -s "$f" "$folder/out-windows/$(basename "$f")" || { echo "  $(basename "$f") differs"; ok=0; }
    done
  else
    [ ! -e "$folder/out-windows/Ferrovello_2632.dat" ] || ok=0
  fi
  if [ "$ok" = 1 ]; then
    local said
    said=$(head -n 1 "$folder/windows.err.lf")
    pass "$what: status $status, the same files and messages as the Linux build's${said:+ (\"$said\")}"
  else
    fail "$what: status $status_windows (Linux: $status_linux)"
    echo "  Windows said:"; sed 's/^/    /' "$folder/windows.err.lf"
    echo "  Linux said:"; sed 's/^/    /' "$folder/linux.err"
  fi
}

compare_both "buono è" "../scrìpt à/Ferrovello_linea.txt" "../scrìpt à/Ferrovello_2632-.txt" 0 "" \
  "scenario-tool.exe compile"
compare_both fault "../scrìpt à/Ferrovello_linea.txt" "../scrìpt à/guasto.txt" 1 "Errore n. " \
  "scenario-tool.exe compile on a fault"

# Warnings carry accented letters (UTF-8 on the console): the same bytes on
# both systems, after the same files.
sed 's/^segnale,  7900,/segnale di partenza,  7900,/' "$scripts_folder/Ferrovello_2632-.txt" > "$scripts_folder/avviso.txt"
compare_both avviso "../scrìpt à/Ferrovello_linea.txt" "../scrìpt à/avviso.txt" 0 "avviso: .* è letto come la parola chiave" \
  "scenario-tool.exe compile with a warning"

# --- scenario-tool.exe view --serve: start, one request, Ctrl-C ----------------
# The served view page is the page `view` writes on Linux, byte for byte;
# another path is not found; Ctrl-C ends the server with status 0.
serve_folder="$work/serve"
mkdir -p "$serve_folder"
"$linux_tool" scripts --out "$serve_folder" > /dev/null
(cd "$serve_folder" && "$linux_tool" view --out expected.html --line Ferrovello_linea.txt --train Ferrovello_2632-.txt)
(cd "$serve_folder" && exec wine "$work/scenario-tool.exe" view --serve --line Ferrovello_linea.txt \
   --train Ferrovello_2632-.txt > serve.out 2> serve.err) &
serve_pid=$!
port=""
for _ in $(seq 1 600); do
  port=$(grep -o '127\.0\.0\.1:[0-9]*' "$serve_folder/serve.out" 2> /dev/null | cut -d: -f2)
  [ -n "$port" ] && break
  kill -0 "$serve_pid" 2> /dev/null || break
  sleep 0.1
done
fetch() {  # $1: path, $2: file for the body; prints the status
  python3 -c 'import sys, urllib.request, urllib.error
try:
    r = urllib.request.urlopen(sys.argv[1], timeout=30); s, b = r.status, r.read()
except urllib.error.HTTPError as e:
    s, b = e.code, e.read()
open(sys.argv[2], "wb").write(b); print(s)' "http://127.0.0.1:$port$1" "$2"
}
if [ -n "$port" ] && [ "$(fetch /vista "$serve_folder/served.html")" = 200 ] &&
   cmp -s "$serve_folder/served.html" "$serve_folder/expected.html"; then
  pass "scenario-tool.exe view --serve on port $port: the view page, as the Linux build writes it"
else
  fail "scenario-tool.exe view --serve: no page (port ${port:-not printed}): $(cat "$serve_folder/serve.err")"
fi
if [ -n "$port" ] && [ "$(fetch /Ferrovello_linea.txt "$serve_folder/other.txt")" = 404 ]; then
  pass "scenario-tool.exe view --serve: a file's path is not found"
else
  fail "scenario-tool.exe view --serve: a file's path was not refused"
fi
kill -INT "$serve_pid" 2> /dev/null
serve_ended=0
for _ in $(seq 1 100); do
  kill -0 "$serve_pid" 2> /dev/null || { serve_ended=1; break; }
  sleep 0.1
done
[ "$serve_ended" = 1 ] || kill "$serve_pid" 2> /dev/null
wait "$serve_pid"
serve_status=$?
if [ "$serve_ended" = 1 ] && [ "$serve_status" = 0 ] && grep -q "Server chiuso" "$serve_folder/serve.out"; then
  pass "scenario-tool.exe view --serve: Ctrl-C ends it with status 0"
else
  fail "scenario-tool.exe view --serve after Ctrl-C: ended $serve_ended, status $serve_status"
fi

# --- scenario-tool.exe compile interrupted by Ctrl-C -------------------------
# SIGINT to Wine's process is a Ctrl-C event for the console program, as
# above. During a compile the console handler takes away the temporary file
# at hand (the lock goes with the program) and ends the program with
# STATUS_CONTROL_C_EXIT, 0xC000013A, whose low byte (58) is Wine's exit
# status. A route of 1000000 m, whose line file of 20 MB takes a while to
# write, is interrupted at moments spread over the writing, from the lock's
# appearance on: each run ends either done, with its three files, or
# interrupted, and leaves neither a temporary file nor the lock.
long_folder="$work/lunga"
mkdir -p "$long_folder"
printf '[generale]\r\nlunghezza percorso,  1000000\r\n[fine]\r\n' > "$long_folder/linea.txt"
printf '[generale]\r\n[fine]\r\n' > "$long_folder/treno.txt"
interrupted=0
while_writing=0
left=""
for try in 0 1 2 3 4 5 6 7; do
  out="$long_folder/o$try"
  (cd "$long_folder" && exec wine "$work/scenario-tool.exe" compile --line linea.txt --train treno.txt \
     --out "o$try" > /dev/null 2>&1) &
  compile_pid=$!
  deadline=$(( ${EPOCHREALTIME/./} + 60000000 ))
  until [ -e "$out/Ferrovello.lock" ] || ! kill -0 "$compile_pid" 2> /dev/null ||
        [ "${EPOCHREALTIME/./}" -gt "$deadline" ]; do :; done
  sleep "$(printf '0.%03d' $((try * 3)))"
  temporary=$(ls "$out" 2> /dev/null | grep -c '\.tmp$')
  kill -INT "$compile_pid" 2> /dev/null
  wait "$compile_pid"
  compile_status=$?
  if [ "$compile_status" = 58 ]; then
    interrupted=$((interrupted + 1))
    [ "$temporary" = 0 ] || while_writing=$((while_writing + 1))
  elif [ "$compile_status" != 0 ] ||
       [ "$(LC_ALL=C ls "$out" | tr '\n' ' ')" != "Ferrovello_2632.dat Ferrovello_2632.sim Ferrovello_linea.dat " ]; then
    left="$left [try $try: status $compile_status, files $(ls "$out" | tr '\n' ' ')]"
  fi
  for name in $(ls "$out" 2> /dev/null | grep -e '\.tmp$' -e '\.lock$'); do left="$left [try $try left $name]"; done
done
if [ -z "$left" ] && [ "$while_writing" -gt 0 ]; then
  pass "scenario-tool.exe compile of 1000000 m and Ctrl-C: $interrupted of 8 runs interrupted ($while_writing while" \
    "writing a file), status 58, no temporary file and no lock left"
else
  fail "scenario-tool.exe compile and Ctrl-C: $interrupted interrupted, $while_writing while writing:${left:- none came while writing}"
fi

# --- scenario-tool.exe: help, usage errors and system reasons in Italian -----
# Redirected, both tools write the same UTF-8 bytes and end with the same
# status: the help, an unknown subcommand (2), a missing file and a folder
# given as a file (1, with the reason in Italian).
same_words() {
  local name=$1 expected_status=$2
  shift 2
  (cd "$work" && "$linux_tool" "$@" > "$name.linux.out" 2> "$name.linux.err")
  local status_l=$?
  (cd "$work" && wine "$work/scenario-tool.exe" "$@" > "$name.windows.out" 2> "$name.windows.err")
  local status_w=$?
  if [ "$status_l" = "$expected_status" ] && [ "$status_w" = "$expected_status" ] &&
     cmp -s "$work/$name.linux.out" "$work/$name.windows.out" && cmp -s "$work/$name.linux.err" "$work/$name.windows.err"; then
    pass "scenario-tool.exe $*: status $status_w, the Linux build's words \"$(cat "$work/$name.windows.err" "$work/$name.windows.out" | head -n 1 | cut -c 1-60)\""
  else
    fail "scenario-tool.exe $*: status $status_w (Linux $status_l, expected $expected_status)"
    echo "  Windows said:"; sed 's/^/    /' "$work/$name.windows.err" "$work/$name.windows.out"
    echo "  Linux said:"; sed 's/^/    /' "$work/$name.linux.err" "$work/$name.linux.out"
  fi
}
same_words help 0 --help
same_words help-compile 0 compile --help
same_words unknown 2 nope
same_words missing 1 check --line "manca.txt" --train "manca.txt"
same_words folder 1 dump "scrìpt à" --type percorso
version=$(wine "$work/scenario-tool.exe" --version 2> /dev/null | tr -d '\r')
case "$version" in
  "scenario-tool 1."*) pass "scenario-tool.exe --version: $version" ;;
  *) fail "scenario-tool.exe --version said \"$version\"" ;;
esac

# --- scenario-tool.exe: names that Windows keeps for its devices -------------
# A scenario named CON or LPT1 (with any extension) would have its files
# written into a device, one whose name ends in a point into a file of
# another name: refused with status 2 in the Linux build's words, before
# anything is written. On Windows these names really are the devices.
devices=(
  'CON|il blocco "CON.lock" avrebbe un nome che Windows riserva a un dispositivo'
  'lpt1.txt|il blocco "lpt1.txt.lock" avrebbe un nome che Windows riserva a un dispositivo'
  'abc.|--name: finisce con un punto o uno spazio, che Windows toglie'
)
not_refused=""
for entry in "${devices[@]}"; do
  name=${entry%%|*}
  same_words "device-$name" 2 compile --line "scrìpt à/Ferrovello_linea.txt" --train "scrìpt à/Ferrovello_2632-.txt" \
    --name "$name" --out dispositivi
  if ! grep -qF -- "${entry#*|}" "$work/device-$name.windows.err" || [ -e "$work/dispositivi" ]; then
    not_refused="$not_refused \"$name\""
  fi
  rm -rf "$work/dispositivi"
done
if [ -z "$not_refused" ]; then
  pass "scenario-tool.exe compile --name CON, lpt1.txt, abc.: each refused for its reason, nothing written"
else
  fail "scenario-tool.exe compile: a device's name not refused for its reason, or something written:$not_refused"
fi

# --- packages: an edited scenario made into a Windows program ---------------
# Another name and train number, a station moved, accented station names and
# a document in UTF-8. The package is made twice, by the Linux tool from
# Ferrovello.exe and by scenario-tool.exe with Ferrovello.exe beside it, and
# run in a folder with spaces and accented letters: it must leave the files
# of `scenario-tool compile` on the same scripts, plus the document.
source_folder="$work/sorgenti pacchetto"
mkdir -p "$source_folder"
sed -e 's/^stazione,  8050,/stazione,  8350,/' -e 's/   VALENZA\r$/   VALENZA PÒ\r/' \
  -e 's/   SARTIRANA\r$/   SARTIRANA – CITTÀ\r/' "$scripts_folder/Ferrovello_2632-.txt" > "$source_folder/treno.txt"
printf 'Note della linea Lomellina\nCittà: Vigevano, Mortara\n€ 2,50\n' > "$source_folder/note.txt"
expected="$work/atteso pacchetto"
mkdir -p "$expected"
iconv -f UTF-8 -t CP1252 "$source_folder/treno.txt" > "$source_folder/treno-1252.txt"
"$linux_tool" compile --line "$scripts_folder/Ferrovello_linea.txt" --train "$source_folder/treno-1252.txt" \
  --name Lomellina --train-number 10234 --out "$expected" > /dev/null
iconv -f UTF-8 -t CP1252 "$source_folder/note.txt" | sed 's/$/\r/' > "$expected/Lomellina_10234_note.txt"
grep -q 'PÒ' "$source_folder/treno.txt" && grep -q $'VALENZA P\xd2' "$expected/Lomellina_10234.sim" ||
  fail "could not make the edited scenario"

package_args=(--line "$scripts_folder/Ferrovello_linea.txt" --train "$source_folder/treno.txt"
              --notes "$source_folder/note.txt" --name Lomellina --train-number 10234)
"$linux_tool" package "${package_args[@]}" --windows --stub "$win_build/Ferrovello.exe" \
  --out "$work/Lomellina.exe" > /dev/null 2> "$work/package.err" || { fail "package --windows"; cat "$work/package.err"; }
cp "$win_build/Ferrovello.exe" "$work/"
(cd "$source_folder" && wine "$work/scenario-tool.exe" package --line ../"scrìpt à"/Ferrovello_linea.txt \
   --train treno.txt --notes note.txt --name Lomellina --train-number 10234 --out "pacchetto da Windows.exe" \
   > /dev/null 2> "$work/package-windows.err")
status=$?
if [ "$status" = 0 ] && cmp -s "$work/Lomellina.exe" "$source_folder/pacchetto da Windows.exe"; then
  pass "scenario-tool.exe package with Ferrovello.exe beside it: the same program as the Linux tool's"
else
  fail "scenario-tool.exe package: status $status, or a program unlike the Linux tool's"; cat "$work/package-windows.err"
fi
if [ "$(head -c 2 "$work/Lomellina.exe")" = MZ ] &&
   [ "$(head -c "$(stat -c %s "$win_build/Ferrovello.exe")" "$work/Lomellina.exe" | cmp - "$win_build/Ferrovello.exe" && echo same)" = same ]; then
  pass "the Windows package starts with Ferrovello.exe unchanged (its GUI subsystem and imports)"
else
  fail "the Windows package does not start with Ferrovello.exe"
fi
folder="$work/Giochi/Lomellina prova à è"
mkdir -p "$folder"
cp "$work/Lomellina.exe" "$folder/"
if run_installer "$folder/Lomellina.exe"; then
  same_files "$folder" "a package of an edited scenario under Wine, in \"Giochi/Lomellina prova à è\"" "$expected"
else
  fail "the package of an edited scenario ended with status $?"; cat "$work/installer.out"
fi

# A package with its last byte cut: the message box, status 1, nothing written.
if command -v xdotool > /dev/null; then
  folder="$work/tagliato"
  mkdir -p "$folder"
  head -c -1 "$work/Lomellina.exe" > "$folder/Lomellina.exe"
  run_to_message_box "$folder/Lomellina.exe" "$work/cut.out"
  if [ -n "$box" ] && [ "$ended" = 1 ] && [ "$status" = 1 ] && [ "$(ls -A "$folder")" = Lomellina.exe ]; then
    pass "a package cut by one byte under Wine: message box, status 1, nothing written"
  else
    fail "a package cut by one byte: box ${box:-not shown}, ended $ended, status $status, files: $(ls -A "$folder" | tr '\n' ' ')"
  fi
fi

# A package cut anywhere from the end of the bytes the system loads to its
# trailer is refused as damaged, before anything is written. The cuts: just
# past the loaded bytes, three points spread over the payload, the first byte
# of the trailer (20 bytes) and inside it; none leaves the bare stub, which
# is a whole installer. The box's text is taken from Wine's trace of
# message boxes.
pe_loaded_end() {  # where the sections of a PE program end in its file
  python3 -c 'import struct, sys
b = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", b, 0x3C)[0]
count = struct.unpack_from("<H", b, pe + 6)[0]
table = pe + 24 + struct.unpack_from("<H", b, pe + 20)[0]
print(max(at + size for size, at in (struct.unpack_from("<II", b, table + 40 * i + 16) for i in range(count)) if size))' "$1"
}
if command -v xdotool > /dev/null; then
  stub_size=$(stat -c %s "$win_build/Ferrovello.exe")
  package_size=$(stat -c %s "$work/Lomellina.exe")
  loaded=$(pe_loaded_end "$work/Lomellina.exe")
  cuts=()
  for cut in "$((loaded + 1))" "$((loaded + (package_size - loaded) / 4))" "$((loaded + (package_size - loaded) / 2))" \
             "$((loaded + (package_size - loaded) * 3 / 4))" "$((package_size - 20))" "$((package_size - 9))"; do
    [ "$cut" = "$stub_size" ] || cuts+=("$cut")
  done
  refused=()
  for cut in "${cuts[@]}"; do
    folder="$work/tagliato a $cut"
    mkdir -p "$folder"
    head -c "$cut" "$work/Lomellina.exe" > "$folder/Lomellina.exe"
    WINEDEBUG=-all,trace+msgbox run_to_message_box "$folder/Lomellina.exe" "$work/cut-$cut.out"
    if [ -n "$box" ] && [ "$ended" = 1 ] && [ "$status" = 1 ] && grep -q "danneggiato o incompleto" "$work/cut-$cut.out" &&
       [ "$(ls -A "$folder")" = Lomellina.exe ]; then
      refused+=("$cut")
    else
      echo "  cut at $cut: box ${box:-not shown}, ended $ended, status $status, files: $(ls -A "$folder" | tr '\n' ' ')"
      grep -a 'MSGBOX_OnInit' "$work/cut-$cut.out" | sed 's/^/    /'
    fi
  done
  if [ "${#refused[@]}" = "${#cuts[@]}" ] && [ "$loaded" -le "$stub_size" ]; then
    pass "a package cut at ${refused[*]} (its sections end at $loaded, the stub at $stub_size, the package at" \
      "$package_size): \"danneggiato o incompleto\", status 1, nothing written"
  else
    fail "a package cut short: refused at ${refused[*]:-none} of ${cuts[*]} (sections end at $loaded, stub $stub_size)"
  fi
fi

# --- scenario-tool.exe lsp ---------------------------------------------------
# The language server through a pipe, as an editor runs it: initialize, a
# train script opened beside its line script (found by the installer's names
# on drive Z:), its one diagnostic, shutdown and exit. Byte counts are those
# of the ASCII bodies.
mkdir -p "$work/cwd"
lsp_folder="$work/lsp"
mkdir -p "$lsp_folder"
cp "$scripts_folder/Ferrovello_linea.txt" "$lsp_folder/"
lsp_frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
lsp_uri="file:///Z:$lsp_folder/Ferrovello_2632-.txt"
lsp_text='[generale]\r\nnumero vetture,  9\r\nsegnalle,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0\r\n[fine]\r\n'
{
  lsp_frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"initializationOptions":{"ritardo":0}}}'
  lsp_frame '{"jsonrpc":"2.0","method":"initialized","params":{}}'
  lsp_frame '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"'"$lsp_uri"'","languageId":"text","version":1,"text":"'"$lsp_text"'"}}}'
  lsp_frame '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
  lsp_frame '{"jsonrpc":"2.0","method":"exit"}'
} > "$work/lsp.in"
(cd "$work/cwd" && cat "$work/lsp.in" | LC_ALL=C wine "$work/scenario-tool.exe" lsp > "$work/lsp.out" 2> "$work/lsp.err")
status=$?
range='"range":{"end":{"character":8,"line":2},"start":{"character":0,"line":2}}'
if [ "$status" = 0 ] && [ "$(grep -o '"method":"textDocument/publishDiagnostics"' "$work/lsp.out" | wc -l)" = 1 ] &&
   [ "$(grep -o '"severity"' "$work/lsp.out" | wc -l)" = 1 ] && grep -qF "$range" "$work/lsp.out" &&
   grep -qF '"id":2,"jsonrpc":"2.0","result":null' "$work/lsp.out" && ! grep -q 'showMessage' "$work/lsp.out"; then
  pass "scenario-tool.exe lsp under Wine: initialize, the pair found, one diagnostic on its range, shutdown, status 0"
else
  fail "scenario-tool.exe lsp: status $status"; cat "$work/lsp.out" "$work/lsp.err"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
