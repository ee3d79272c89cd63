# Shared by the Windows checks and scripts (source it): results of checks, Windows paths of
# files, and the session they run Wine in (a virtual X screen and a Wine prefix).

CHECKS_FAILED=0

check() {  # NAME COMMAND...: one line of result per check
    local name="$1"
    shift
    if "$@"; then
        echo "ok $name"
    else
        echo "not ok $name"
        CHECKS_FAILED=$((CHECKS_FAILED + 1))
    fi
}

finish() {  # ends the script: non-zero when a check failed
    exit $((CHECKS_FAILED > 0))
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

same_file() {
    if cmp -s "$1" "$2"; then return 0; fi
    echo "  $1 and $2 differ:" >&2
    diff "$1" "$2" | head -20 >&2
    return 1
}
crlf_only() { ! tr -d '\r' <"$1" | cmp -s - "$1" && ! grep -q $'[^\r]$' "$1"; }
lf_copy_equals() { tr -d '\r' <"$1" | cmp -s - "$2"; }

# The prefix PREFIX, booted once (several programs may ask for it at the same time), and the
# environment that runs Wine in it quietly.
wine_prefix() {
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ -f "$WINEPREFIX/.armwright-ready" ] && exit 0
        rm -rf "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        # No window manager runs on the virtual screen: Wine draws captions and frames itself,
        # with its own fonts (fonts-wine), copied where this prefix looks for them.
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.armwright-ready"
    ) 9>"$WINEPREFIX.lock"
}

# A session in folder DIR: a virtual screen, unless DISPLAY names one, and the prefix DIR/prefix.
wine_session_begin() {
    local dir="$1" n
    mkdir -p "$dir"
    wine_session_end "$dir" >/dev/null 2>&1
    if [ -n "${DISPLAY:-}" ]; then
        echo "$DISPLAY" >"$dir/display"
    else
        # The server writes the number of a free display to fd 3 once it takes clients; it runs
        # in a session of its own, so that it outlives the command that started it.
        : >"$dir/display.fd"
        setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
            3>"$dir/display.fd" </dev/null >/dev/null 2>&1 &
        echo $! >"$dir/xvfb.pid"
        for n in $(seq 100); do
            [ -s "$dir/display.fd" ] && break
            sleep 0.1
        done
        [ -s "$dir/display.fd" ] || { echo "no virtual screen started" >&2; return 1; }
        echo ":$(head -n1 "$dir/display.fd")" >"$dir/display"
    fi
    wine_session_join "$dir"
}

# Joins the session that DIR holds.
wine_session_join() {
    DISPLAY="$(cat "$1/display")"
    export DISPLAY
    wine_prefix "$1/prefix"
}

# Ends the session that DIR holds; its prefix stays for the next one.
wine_session_end() {
    local dir="$1"
    if [ -d "$dir/prefix" ]; then
        WINEPREFIX="$dir/prefix" wineserver -k >/dev/null 2>&1 || true
    fi
    # A pid left by a session that ended otherwise may name another process by now.
    if [ -s "$dir/xvfb.pid" ] && ps -p "$(cat "$dir/xvfb.pid")" -o args= | grep -q '^Xvfb -displayfd'; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$dir/xvfb.pid" "$dir/display" "$dir/display.fd"
}

# For a script that may run alone or within the session that ARMWRIGHT_WINE_SESSION names (the
# tests' fixture): joins that one, or begins one in WORK that ends, with WORK, when the script
# does.
wine_session() {
    local work="$1"
    if [ -n "${ARMWRIGHT_WINE_SESSION:-}" ] && [ -s "$ARMWRIGHT_WINE_SESSION/display" ]; then
        wine_session_join "$ARMWRIGHT_WINE_SESSION"
        trap "rm -rf $(printf %q "$work")" EXIT
    else
        trap "wine_session_end $(printf %q "$work/session"); rm -rf $(printf %q "$work")" EXIT
        wine_session_begin "$work/session"
    fi
}
