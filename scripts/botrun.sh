# Running velmora_bot for a measuring script (scripts/soak,
# scripts/frametimes), sourced by them. The script sets $bin (the build's
# bin folder) and $tmp (a folder of its own, the game's current folder)
# and defines fail MESSAGE (ends the script with status 1); the game's
# output goes to $tmp/out, its process id is $pid while it runs.

# botrun_start ARGS...: starts velmora_bot ARGS... in $tmp with standard
# input closed and waits, with a generous deadline for the window, the
# splash and the menu, for its "velmora_bot: playing".
botrun_start() {
    (cd "$tmp" && ALSOFT_DRIVERS=null exec "$bin/velmora_bot" "$@" </dev/null >"$tmp/out" 2>&1) &
    pid=$!
    local n=0
    until grep -q '^velmora_bot: playing$' "$tmp/out" 2>/dev/null; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended before play began"
        [ "$n" -lt 1200 ] || fail "play did not begin within 120 s"
        sleep 0.1
        n=$((n + 1))
    done
}

# botrun_play SECONDS: lets it play; fails when it ends before.
botrun_play() {
    local end=$(($(date +%s) + $1))
    while [ "$(date +%s)" -lt "$end" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended during play"
        sleep 1
    done
}

# botrun_end: SIGTERM, which the game takes like the window's close button,
# and a generous deadline for the save and the exit; sets $status.
botrun_end() {
    kill -TERM "$pid"
    local n=0
    while kill -0 "$pid" 2>/dev/null && [ "$n" -lt 600 ]; do
        sleep 0.1
        n=$((n + 1))
    done
    kill -0 "$pid" 2>/dev/null && fail "the game did not end within 60 s of SIGTERM"
    wait "$pid"
    status=$?
    pid=
}

# botrun_kill: for the script's exit trap; ends a game still running.
botrun_kill() {
    if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
}

# botrun_figures PREFIX: the figures the program printed at its end, each
# line beginning "PREFIX: ".
botrun_figures() {
    grep '^velmora_bot: ' "$tmp/out" | grep -v ': playing$' | sed "s/^velmora_bot: /$1: /"
}
