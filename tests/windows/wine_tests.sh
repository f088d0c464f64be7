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
  (cd "$1" && find . -maxdepth 1 -type f ! -name Ferrovello.exe ! -name ferrovello -printf '%f\n' | LC_ALL=C sort)
}

# Folder $1 holds exactly the reference files, byte for byte, and no script
# or temporary file.
same_files() {
  local folder=$1 what=$2 ok=1 name
  if [ "$(list_files "$folder")" != "$(list_files "$work/reference")" ]; then
    echo "  files in $folder:"; list_files "$folder" | sed 's/^/    /'
    echo "  files of the Linux build:"; list_files "$work/reference" | sed 's/^/    /'
    ok=0
  fi
  while read -r name; do
    cmp -s "$work/reference/$name" "$folder/$name" || { echo "  $name differs from the Linux build's"; ok=0; }
  done < <(list_files "$work/reference")
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
for name in "${scripts[@]}"; do
  head -c 200000 /dev/urandom > "$folder/$name"
done
if run_installer "$folder/Ferrovello.exe"; then
  same_files "$folder" "Ferrovello.exe over stale longer files"
else
  fail "Ferrovello.exe over stale files ended with status $?"; cat "$work/installer.out"
fi

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
  mkdir -p "$work/cwd"
  (cd "$work/cwd" && exec wine "$folder/Ferrovello.exe" > "$work/failure.out" 2>&1) &
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

compile_both "buono è" "../scrìpt à/Ferrovello_linea.txt" "../scrìpt à/Ferrovello_2632-.txt"
folder="$work/buono è"
if [ "$status_linux" = 0 ] && [ "$status_windows" = 0 ]; then
  ok=1
  [ "$(cd "$folder/out-linux" && ls | LC_ALL=C sort)" = "$(cd "$folder/out-windows" && ls | LC_ALL=C sort)" ] || ok=0
  [ -n "$(ls "$folder/out-linux")" ] || ok=0
  for f in "$folder"/out-linux/*; do
    cmp -s "$f" "$folder/out-windows/$(basename "$f")" || { echo "  $(basename "$f") differs"; ok=0; }
  done
  if [ "$ok" = 1 ]; then pass "scenario-tool.exe compile: files equal to the Linux build's"; else
    fail "scenario-tool.exe compile: files differ from the Linux build's"; fi
else
  fail "scenario-tool compile of good scripts: status $status_linux (Linux), $status_windows (Windows)"
  cat "$folder/windows.err"
fi

compile_both fault "../scrìpt à/Ferrovello_linea.txt" "../scrìpt à/guasto.txt"
folder="$work/fault"
if [ "$status_windows" = 1 ] && [ "$status_linux" = 1 ] && grep -q "Errore n. " "$folder/windows.err.lf" &&
   cmp -s "$folder/linux.err" "$folder/windows.err.lf" && [ ! -e "$folder/out-windows/Ferrovello_2632.sim" ]; then
  pass "scenario-tool.exe compile on a fault: status 1 and \"$(head -n 1 "$folder/windows.err.lf")\""
else
  fail "scenario-tool.exe compile on a fault: status $status_windows (Linux: $status_linux)"
  echo "  Windows said:"; sed 's/^/    /' "$folder/windows.err.lf"
  echo "  Linux said:"; sed 's/^/    /' "$folder/linux.err"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
