#!/usr/bin/env bash
# Smoke test of a Windows build of talvor.exe under wine, checked against the Linux build.
#
#   tests/windows/smoke.sh WINDOWS_EXE LINUX_BINARY POINTER_SIZE [WINE_LOADER]
#
# POINTER_SIZE is what the console banner must print on its "Pointeur* =" line (8 for x86-64,
# 4 for x86). WINE_LOADER defaults to Debian's 64-bit loader for size 8 and the 32-bit one for 4.
# The wine prefix is WINEPREFIX, by default a folder beside the .exe; the script stops its own
# wineserver at the end.
#
# Steps: the console banner on piped input; the UCI handshake, isready, position and d, quit;
# perft on a few positions, output equal to the Linux build's; go depth N answering bestmove and
# the signature of `talvor bench`, both skipped while the Linux build has neither.
set -uo pipefail

# The search steps are skipped when the Linux build does not have the command yet; 1 makes them
# fail instead.
REQUIRE_SEARCH=${TALVOR_SMOKE_REQUIRE_SEARCH:-1}
GO_DEPTH=5
GO_WAIT_S=60       # time allowed for a bestmove
BENCH_WAIT_S=600   # time allowed for a whole bench
ENGINE_WAIT_S=60   # time allowed for any other engine run
PROBE_GO_WAIT_S=5  # time the Linux build gets to answer go depth 1

if [ $# -lt 3 ]; then
    sed -n '2,8p' "$0" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
exe=$(realpath "$1")
linux=$(realpath "$2")
pointer_size=$3
loader=${4:-}
if [ -z "$loader" ]; then
    if [ "$pointer_size" = 8 ]; then
        for candidate in /usr/lib/wine/wine64 "$(command -v wine64)" "$(command -v wine)"; do
            [ -n "$candidate" ] && [ -x "$candidate" ] && { loader=$candidate; break; }
        done
    else
        for candidate in /usr/lib/wine/wine "$(command -v wine)"; do
            [ -n "$candidate" ] && [ -x "$candidate" ] && { loader=$candidate; break; }
        done
    fi
fi
if [ -z "$loader" ]; then
    echo "smoke: no wine loader found" >&2
    exit 2
fi

export WINEPREFIX=${WINEPREFIX:-$(dirname "$exe")/wine-prefix}
export WINELOADER=${WINELOADER:-$loader}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

scratch=$(mktemp -d)
wine_log=$scratch/wine-stderr.log
passed=0
failed=0
skipped=0

stop_wineserver() {
    local server
    for server in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 "$(command -v wineserver)"; do
        [ -n "$server" ] && [ -x "$server" ] && "$server" -k 2>/dev/null && break
    done
}
finish() {
    stop_wineserver
    rm -rf "$scratch"
}
trap finish EXIT

pass() {
    echo "PASS: $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL: $1"
    failed=$((failed + 1))
}
skip() {
    echo "SKIP: $1"
    skipped=$((skipped + 1))
}

# Runs the Windows build (under wine) or the Linux build in the scratch folder, standard input
# from the caller, output with the carriage returns of the Windows console removed.
run_windows() {
    local status=0
    (cd "$scratch" && timeout "$ENGINE_WAIT_S" "$loader" "$exe" "$@" >"$scratch/output" \
        2>>"$wine_log") || status=$?
    tr -d '\r' <"$scratch/output"
    return $status
}
run_linux() {
    (cd "$scratch" && timeout "$ENGINE_WAIT_S" "$linux" "$@")
}

# Shows where two outputs part.
show_difference() {
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") | head -20 | sed 's/^/    /'
}

# --- A UCI session with the engine as a co-process -------------------------------------------

session_pid=
session_text= # the lines read so far
session_last= # the last line read

# Starts an engine (the command line given) with -uci, reading its output line by line.
start_session() {
    session_text=
    coproc ENGINE { cd "$scratch" && exec "$@" -uci 2>>"$wine_log"; }
    session_pid=$ENGINE_PID
    exec {session_in}>&"${ENGINE[1]}" {session_out}<&"${ENGINE[0]}"
}

send() {
    printf '%s\n' "$1" >&"$session_in"
}

# Reads output until a line matches the extended regular expression $1 (true) or $2 seconds pass
# or the output ends (false). The lines read are kept in session_text.
expect_line() {
    local deadline=$((SECONDS + $2)) line left
    for (( left = $2; left > 0; left = deadline - SECONDS )); do
        IFS= read -r -t "$left" line <&"$session_out" || return 1
        line=${line%$'\r'}
        session_text+="$line"$'\n'
        session_last=$line
        [[ $line =~ $1 ]] && return 0
    done
    return 1
}

# Sends quit and waits up to $1 seconds for the engine to end: true when it ended with status 0.
quit_session() {
    send quit
    exec {session_in}>&-
    local waited status=0
    for (( waited = 0; waited < $1 * 10; ++waited )); do
        kill -0 "$session_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$session_pid" 2>/dev/null; then
        kill "$session_pid" 2>/dev/null
        wait "$session_pid" 2>/dev/null
        exec {session_out}<&-
        return 1
    fi
    wait "$session_pid" || status=$?
    exec {session_out}<&-
    return "$status"
}

# Handshake, isready, a position shown with d, then quit while the input stays open. Prints the
# session's output; false when a step failed.
uci_session() {
    start_session "$@"
    local ok=0
    expect_line '^uciok$' "$ENGINE_WAIT_S" || ok=1
    send isready
    expect_line '^readyok$' "$ENGINE_WAIT_S" || ok=1
    send 'position startpos moves e2e4 e7e5 g1f3'
    send d
    expect_line '^Key: ' "$ENGINE_WAIT_S" || ok=1
    quit_session 10 || ok=1
    printf '%s' "$session_text"
    return $ok
}

# Asks for go depth $1 after a position; prints the bestmove line, or nothing within $2 seconds.
go_session() {
    start_session "${@:3}"
    send uci
    send isready
    send 'position startpos moves e2e4 e7e5'
    send "go depth $1"
    expect_line '^bestmove ' "$2" && printf '%s\n' "$session_last"
    quit_session 10
}

echo "smoke: $exe under $loader (prefix $WINEPREFIX)"
mkdir -p "$WINEPREFIX"

# --- Console mode on piped input ---------------------------------------------------------------
# The banner, then the end of the input ends the program. The banner equals the Linux build's but
# for the pointer size, which is the build's own.
linux_console=$(run_linux -console </dev/null)
expected_console=$(printf '%s\n' "$linux_console" | sed "s/^Pointeur\* = .*/Pointeur* = $pointer_size/")
windows_console=$(printf '' | run_windows -console)
status=$?
if [ "$status" -eq 0 ] && [ "$windows_console" = "$expected_console" ] &&
    grep -qx "Pointeur\* = $pointer_size" <<<"$windows_console"; then
    pass "console banner with Pointeur* = $pointer_size, end of input ends it"
else
    fail "console banner (exit status $status)"
    show_difference "$expected_console" "$windows_console"
fi

# The mode chosen by the first input line, cons: the same banner.
windows_cons=$(printf 'cons\n' | run_windows)
if [ "$windows_cons" = "$expected_console" ]; then
    pass "first line cons selects the console"
else
    fail "first line cons selects the console"
    show_difference "$expected_console" "$windows_cons"
fi

# --- UCI ---------------------------------------------------------------------------------------
linux_uci=$(uci_session "$linux")
windows_uci=$(uci_session "$loader" "$exe")
windows_uci_ok=$?
if [ "$windows_uci_ok" -eq 0 ] && [ "$windows_uci" = "$linux_uci" ]; then
    pass "uci/uciok, isready/readyok, position and d as on Linux, quit ends it"
else
    fail "uci session"
    show_difference "$linux_uci" "$windows_uci"
fi

# --- perft -------------------------------------------------------------------------------------
# Lines of tests/data/perft.epd and the depth to count each to: the start, kiwipete, en passant
# pins, promotions and castling.
perft_cases=("1 4" "2 3" "3 5" "4 3" "6 3" "8 4" "10 5" "24 4")
for case in "${perft_cases[@]}"; do
    read -r line_number depth <<<"$case"
    epd=$(sed -n "${line_number}p" "$here/../data/perft.epd")
    fen=${epd%% ;*}
    expected=$(grep -o ";D$depth [0-9]*" <<<"$epd" | cut -d' ' -f2)
    linux_perft=$(run_linux perft "$depth" "$fen" </dev/null)
    windows_perft=$(run_windows perft "$depth" "$fen" </dev/null)
    if [ -n "$expected" ] && [ "$windows_perft" = "$linux_perft" ] &&
        grep -qx "Nodes searched: $expected" <<<"$windows_perft"; then
        pass "perft $depth = $expected: $fen"
    else
        fail "perft $depth (expected $expected): $fen"
        show_difference "$linux_perft" "$windows_perft"
    fi
done

# --- Search ------------------------------------------------------------------------------------
search_missing() {
    if [ "$REQUIRE_SEARCH" = 1 ]; then
        fail "$1"
    else
        skip "$1"
    fi
}

if [ -z "$(go_session 1 "$PROBE_GO_WAIT_S" "$linux")" ]; then
    search_missing "go depth $GO_DEPTH: the Linux build gives no bestmove for go depth 1 yet"
else
    linux_best=$(go_session "$GO_DEPTH" "$GO_WAIT_S" "$linux")
    windows_best=$(go_session "$GO_DEPTH" "$GO_WAIT_S" "$loader" "$exe")
    if [[ $windows_best =~ ^bestmove\ [a-h][1-8][a-h][1-8][qrbn]?( ponder [a-h][1-8][a-h][1-8][qrbn]?)?$ ]]; then
        pass "go depth $GO_DEPTH: $windows_best (Linux: $linux_best)"
    else
        fail "go depth $GO_DEPTH: no bestmove line within ${GO_WAIT_S}s (got '$windows_best')"
    fi
fi

# The node count of bench is the engine's signature: both builds must search the same tree.
bench_signature() {
    grep -m1 '^Nodes searched  *: *[0-9]' | sed 's/^Nodes searched  *: *//'
}
linux_bench=$( (cd "$scratch" && timeout "$BENCH_WAIT_S" "$linux" bench </dev/null) | bench_signature)
if [ -z "$linux_bench" ]; then
    search_missing "bench: the Linux build has no bench command yet"
else
    windows_bench=$( (cd "$scratch" && timeout "$BENCH_WAIT_S" "$loader" "$exe" bench </dev/null \
        2>>"$wine_log") | tr -d '\r' | bench_signature)
    if [ "$windows_bench" = "$linux_bench" ]; then
        pass "bench signature $windows_bench as on Linux"
    else
        fail "bench signature '$windows_bench', Linux $linux_bench"
    fi
fi

if [ "$failed" -gt 0 ] && [ -s "$wine_log" ]; then
    echo "wine's messages:"
    tail -20 "$wine_log" | sed 's/^/    /'
fi
echo "smoke: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
