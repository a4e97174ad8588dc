# Wine helpers for the scripts; sourced, not run. Needs common.sh first.
#
# wine_prefix   creates the private prefix once (wineboot, about 15 s)
# servers_start starts a persistent wineserver and an Xvfb display; exports DISPLAY
# servers_stop  stops both again
# prepare_and_start [TARGET...]  setup, build (only the targets given, or
#               everything), then the servers (stopped again at exit)

wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "wine: creating prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
    fi
}

XVFB_PID=""
servers_start() {
    # The display comes first: the prefix's desktop process, started by the
    # first Wine process below, picks its display driver once; started without
    # DISPLAY it keeps the null driver and no program can create a window.
    if [ -z "$XVFB_PID" ]; then
        local fdfile
        fdfile="$(mktemp)"
        Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$fdfile" </dev/null >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 100); do
            [ -s "$fdfile" ] && break
            sleep 0.1
        done
        if [ ! -s "$fdfile" ]; then
            say "wine: Xvfb did not start"
            rm -f "$fdfile"
            return 1
        fi
        export DISPLAY=":$(head -n1 "$fdfile")"
        rm -f "$fdfile"
    fi
    wine_prefix
    # Persistent server: each Wine process then starts in well under a second.
    # Its standard streams must not be the caller's, or the caller waits on it.
    # One already running for the prefix (left by an earlier session) serves.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # The first Wine process starts the prefix's background services, which
    # inherit its standard streams; start them here with none, so that a
    # later "wine prog | reader" sees end of file when prog ends.
    wineboot </dev/null >/dev/null 2>&1 || true
}

servers_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

prepare_and_start() {
    bash "$REPO/scripts/setup.sh"
    bash "$REPO/scripts/build.sh" "$@"
    trap servers_stop EXIT
    servers_start
}
