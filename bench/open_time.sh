#!/usr/bin/env bash
# GUI open-time benchmark: how long the program takes from launch until its window is up and it
# has gone idle with a large Shift-JIS file loaded, and its peak resident memory; FeatherPad on
# the same file for comparison.
#
#   bench/open_time.sh [-r RUNS] [-b PROGRAM] [-n] [tiny | SIZE_MB | utf8-SIZE_MB | FILE] ...
#
# Default targets: tiny 50 100 utf8-100.  "tiny" is a file of about 1 KB; a number N is a
# generated file of N MB (N million bytes of whole lines, so a little over; CR LF, about 70 bytes
# a line, ASCII mixed with Japanese, converted with iconv -t CP932), cached under
# $QUIRET_BENCH_CACHE or /tmp/quiret-bench so later runs reuse it; "utf8-N" is the same text left
# in UTF-8 (about 1.2 times the bytes), which the program converts as it reads; when N was
# measured too, the ratio of the two open times is printed. Anything else is the path of an
# existing file.
# -r sets the runs per measurement (default 3; the median is printed), -b the program to measure
# (default build/quiret of this tree), -n skips FeatherPad.  FeatherPad refuses files over
# 100 MiB, so it is skipped for those.
#
# Each run: a private Xvfb display; a fresh copy of the program and its ReadMe.txt in a temporary
# folder (the settings file lives beside the program when that folder is writable, so every run
# starts from defaults); a fresh HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR (so no settings, reopen
# list or single-instance lock of another run interferes); no session D-Bus; LANG=ja_JP.UTF-8
# for both programs, which is what makes FeatherPad read a non-UTF-8 file as CP932 (with another
# language it picks a single-byte code page and shows mojibake).
#
# "first" is when the first lines of a large file are on screen while the rest loads (the
# program says so on stderr when QUIRET_TRACE_LOAD is set, and the script notes when it sees
# that); for a file that opens at once it is "open".
#
# The program runs under /usr/bin/time -f %M.  The script polls every 10 ms: first until a window
# of the process is mapped ("window"), then until the process's CPU time (utime+stime of
# /proc/PID/stat, all threads, in 10 ms clock ticks) has not grown for 150 ms.  "open" is the
# later of the mapping and the last CPU-time growth, minus the launch time.  The program is then
# ended with SIGTERM and its peak RSS taken from time's report.  Figures are medians.
set -u

runs=3
skip_fp=0
here=$(cd "$(dirname "$0")/.." && pwd)
prog=$here/build/quiret
while [ $# -gt 0 ]; do
  case "$1" in
    -r) runs=$2; shift 2;;
    -b) prog=$2; shift 2;;
    -n) skip_fp=1; shift;;
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1' "$0"; exit 0;;
    --) shift; break;;
    -*) echo "unknown option $1" >&2; exit 2;;
    *) break;;
  esac
done
[ $# -gt 0 ] || set -- tiny 50 100 utf8-100
[ -x "$prog" ] || { echo "no program at $prog (build it first)" >&2; exit 1; }
for tool in Xvfb xdpyinfo xdotool iconv awk; do
  command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time (apt-get install time)" >&2; exit 1; }
fp=""
if [ $skip_fp = 0 ]; then
  fp=$(command -v featherpad || true)
  if [ -z "$fp" ] && [ "$(id -u)" = 0 ]; then
    echo "installing featherpad ..." >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q featherpad >/dev/null 2>&1
    fp=$(command -v featherpad || true)
  fi
  [ -n "$fp" ] || echo "note: featherpad is not installed and could not be; only quiret is measured"
fi

cache=${QUIRET_BENCH_CACHE:-/tmp/quiret-bench}
mkdir -p "$cache"
work=$(mktemp -d /tmp/quiret-open.XXXXXX)
xpid=""
cleanup() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- test files -----------------------------------------------------------------------------

# gen_lines BYTES SEED: UTF-8 lines ending in CR LF whose Shift-JIS form is about BYTES long.
# Lines are 40..100 Shift-JIS bytes of words drawn from an ASCII list and a Japanese list.
gen_lines() {
  awk -v total="$1" -v seed="$2" 'BEGIN {
    srand(seed)
    na = split("the quick brown fox jumps over lazy dog 0123 4567 89 Shift_JIS text editor " \
               "line file open save (a) [b] {c} x=1; y+=2 // -- ** ## tab", ascii, " ")
    nj = split("日本語 テキスト エディタ の ファイル を 開く 保存 する 漢字 ひらがな カタカナ " \
               "全角 文字 、 。 「 」 ＡＢＣ １２３ 東京 大阪 表示 検索 置換 行 桁 改行 " \
               "予定 表 ソ 能 申 十 構 ― ～ ①", jp, " ")
    for (i = 1; i <= nj; i++) jlen[i] = length(jp[i]) / 3 * 2  # 3 UTF-8 bytes -> 2 SJIS bytes
    done = 0
    while (done < total) {
      want = 40 + int(rand() * 61); line = ""; n = 0
      while (n < want) {
        if (rand() < 0.5) { w = ascii[1 + int(rand() * na)]; l = length(w) }
        else { j = 1 + int(rand() * nj); w = jp[j]; l = jlen[j] }
        if (n > 0) { line = line " "; n++ }
        line = line w; n += l
      }
      printf "%s\r\n", line
      done += n + 2
    }
  }'
}

# make_file NAME: prints the path of the test file for NAME, generating it when needed.
make_file() {
  local name=$1 bytes out convert=(iconv -f UTF-8 -t CP932)
  case "$name" in
    tiny) bytes=1000; out=$cache/sjis-1KB.txt;;
    utf8-[0-9]*) bytes=$((${name#utf8-} * 1000000)); out=$cache/utf8-${name#utf8-}MB.txt; convert=(cat);;
    *[!0-9]*|"") [ -f "$name" ] || { echo "no file $name" >&2; return 1; }
                 echo "$name"; return 0;;
    *) bytes=$((name * 1000000)); out=$cache/sjis-${name}MB.txt;;
  esac
  if [ ! -s "$out" ]; then
    echo "generating $out ..." >&2
    gen_lines "$bytes" 1 | "${convert[@]}" > "$out.part" || return 1
    mv "$out.part" "$out"
  fi
  echo "$out"
}

# ---- display --------------------------------------------------------------------------------

# A display of our own: Xvfb picks a free number itself and writes it to fd 3 once it accepts
# connections, so runs of other programs on other displays cannot collide with this one.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xpid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
read -r dnum < "$work/display" 2>/dev/null
[ -n "${dnum:-}" ] && kill -0 $xpid 2>/dev/null ||
  { echo "no Xvfb display could be started" >&2; exit 1; }
export DISPLAY=:$dnum

# The program is copied once, so a rebuild of build/ while this runs does not change what is
# measured (or leave a half-written file to start).
mkdir -p "$work/master"
cp "$prog" "$work/master/quiret" && [ -x "$work/master/quiret" ] ||
  { echo "could not copy $prog" >&2; exit 1; }
[ -f "$(dirname "$prog")/ReadMe.txt" ] && cp "$(dirname "$prog")/ReadMe.txt" "$work/master/"

# A FIFO nobody writes to: "read -t" on it is a sleep without starting a process.
mkfifo "$work/tick"
exec {tickfd}<>"$work/tick"
nap() { read -r -t "$1" -u "$tickfd" _ 2>/dev/null; return 0; }

now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }  # wall clock in milliseconds

# cpu_ticks PID: utime+stime of the process (all threads) in clock ticks; empty when gone.
cpu_ticks() {
  local line rest
  read -r line < "/proc/$1/stat" 2>/dev/null || return 1
  rest=${line##*) }              # fields from the state on; the name may hold spaces
  set -- $rest                   # $12 = utime, $13 = stime
  echo $(( ${12} + ${13} ))
}

# measure KIND FILE: one run; prints "window_ms open_ms peak_kb" or "fail REASON".
measure() {
  local kind=$1 file=$2 run cmd tpid pid t0 t tmap="" tfirst="" tlast ticks last=-1 win="" status
  run=$(mktemp -d "$work/run.XXXXXX")
  mkdir -p "$run/home/.config" "$run/runtime" "$run/prog"
  chmod 700 "$run/runtime"
  if [ "$kind" = quiret ]; then
    cp "$work/master/"* "$run/prog/"
    cmd=("$run/prog/quiret" "$file")
  else
    cmd=("$fp" "$file")
  fi
  t0=$(now_ms)
  env -u DBUS_SESSION_BUS_ADDRESS -u SESSION_MANAGER HOME="$run/home" \
      XDG_CONFIG_HOME="$run/home/.config" XDG_CACHE_HOME="$run/home/.cache" \
      XDG_DATA_HOME="$run/home/.local/share" XDG_RUNTIME_DIR="$run/runtime" \
      QT_QPA_PLATFORM=xcb LANG=ja_JP.UTF-8 QUIRET_TRACE_LOAD=1 \
      /usr/bin/time -f %M -o "$run/peak" "${cmd[@]}" >"$run/out" 2>&1 &
  tpid=$!
  pid=""
  for _ in $(seq 500); do
    read -r pid _ < "/proc/$tpid/task/$tpid/children" 2>/dev/null
    [ -n "$pid" ] && break
    nap 0.002
  done
  [ -n "$pid" ] || { kill $tpid 2>/dev/null; wait $tpid 2>/dev/null; echo "fail no-child"; return; }
  tlast=$t0
  status="fail timeout"
  while :; do
    t=$(now_ms)
    ticks=$(cpu_ticks "$pid") || { status="fail exited"; break; }
    if [ "$ticks" != "$last" ]; then last=$ticks; tlast=$t; fi
    if [ -z "$tfirst" ] && [ -n "$tmap" ] && grep -q "first lines shown" "$run/out" 2>/dev/null; then
      tfirst=$t
    fi
    if [ -z "$tmap" ]; then
      if xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then tmap=$(now_ms); fi
    elif [ $((t - tlast)) -ge 150 ]; then
      status=ok; break
    fi
    [ $((t - t0)) -gt 600000 ] && break
    nap 0.01
  done
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; nap 0.01; done
  kill -KILL "$pid" 2>/dev/null
  wait $tpid 2>/dev/null
  if [ "$status" = ok ]; then
    local open=$((tlast > tmap ? tlast : tmap))
    [ -n "$tfirst" ] || tfirst=$open
    echo "$((tmap - t0)) $((open - t0)) $(tail -1 "$run/peak") $((tfirst - t0))"
  else
    echo "$status"
    sed 's/^/    | /' "$run/out" | head -5 >&2
  fi
  rm -rf "$run"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# bench KIND FILE: RUNS measurements; sets MED_WIN MED_OPEN MED_KB (empty on failure).
bench() {
  local kind=$1 file=$2 i r wins=() opens=() kbs=() firsts=()
  MED_WIN=""; MED_OPEN=""; MED_KB=""; MED_FIRST=""
  for i in $(seq "$runs"); do
    r=$(measure "$kind" "$file")
    case "$r" in
      fail*) echo "  $kind run $i: $r" >&2; return 1;;
    esac
    set -- $r
    wins+=("$1"); opens+=("$2"); kbs+=("$3"); firsts+=("${4:-$2}")
    echo "  $kind run $i: window $1 ms, first lines ${4:-$2} ms, open $2 ms, peak $(( $3 / 1024 )) MiB" >&2
  done
  MED_WIN=$(median "${wins[@]}"); MED_OPEN=$(median "${opens[@]}"); MED_KB=$(median "${kbs[@]}")
  MED_FIRST=$(median "${firsts[@]}")
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

results=()
declare -A opened  # the open time of each target measured, for the UTF-8 / Shift-JIS ratio
for target in "$@"; do
  file=$(make_file "$target") || exit 1
  size=$(stat -c %s "$file")
  label=$(awk -v s="$size" 'BEGIN {
    if (s < 1000000) printf "%.1f KB", s / 1000; else printf "%.1f MB", s / 1000000 }')
  echo "== $label ($file), $runs runs each" >&2
  q="failed"; f="skipped"; rt="-"; rm_="-"
  if bench quiret "$file"; then
    qo=$MED_OPEN; qk=$MED_KB; opened[$target]=$MED_OPEN
    q=$(printf 'window %5d ms  first %6d ms  open %6d ms  peak %6d MiB (%s x file + 40 MiB)' \
          "$MED_WIN" "$MED_FIRST" "$MED_OPEN" $((MED_KB / 1024)) \
          "$(awk -v k="$MED_KB" -v s="$size" 'BEGIN { printf "%.2f", (k * 1024 - 40 * 1048576) / s }')")
  else qo=""; fi
  if [ -n "$fp" ] && [ "$size" -gt 104857600 ]; then
    f="skipped: FeatherPad refuses files over 100 MiB"
  elif [ -n "$fp" ]; then
    if bench featherpad "$file"; then
      f=$(printf 'window %5d ms  open %6d ms  peak %6d MiB' \
            "$MED_WIN" "$MED_OPEN" $((MED_KB / 1024)))
      if [ -n "$qo" ]; then rt=$(ratio "$qo" "$MED_OPEN"); rm_=$(ratio "$qk" "$MED_KB"); fi
    else f="failed"; fi
  fi
  results+=("$(printf '%-9s quiret:     %s' "$label" "$q")")
  results+=("$(printf '%-9s featherpad: %s' "" "$f")")
  results+=("$(printf '%-9s quiret/featherpad: time %s, peak memory %s' "" "$rt" "$rm_")")
  sjis=${target#utf8-}
  if [ "$sjis" != "$target" ] && [ -n "${opened[$sjis]:-}" ] && [ -n "${opened[$target]:-}" ]; then
    results+=("$(printf '%-9s quiret UTF-8/Shift-JIS of the same text: open time %s' "" \
                  "$(ratio "${opened[$target]}" "${opened[$sjis]}")")")
  fi
done

echo
echo "Medians of $runs runs (open = launch to window mapped and CPU idle for 150 ms;"
echo "first = launch to the first lines of a large file on screen):"
printf '%s\n' "${results[@]}"
