# Sourced by the scripts that need a display: starts a private Xvfb on a
# display it picks itself (-displayfd, so two runs never race for a number),
# exports DISPLAY, and ends it on exit. Usage: . scripts/xvfb.sh WIDTHxHEIGHT
lunvex_xvfb_pid=
lunvex_stop_xvfb() {
    if [ -n "$lunvex_xvfb_pid" ]; then
        kill "$lunvex_xvfb_pid" 2>/dev/null || true
        wait "$lunvex_xvfb_pid" 2>/dev/null || true
        lunvex_xvfb_pid=
    fi
}
lunvex_start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    lunvex_xvfb_pid=$!
    local number
    read -r -t 30 number <"$fifo" || true
    rm -f "$fifo"
    [ -n "$number" ] || { echo "xvfb: no display" >&2; lunvex_stop_xvfb; return 1; }
    export DISPLAY=:$number
}
