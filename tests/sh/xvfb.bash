# A private X server for the scripts in this folder (sourced by them, not a
# test itself).

# Starts Xvfb, 1280 x 1024, on a free display and exports DISPLAY. The server
# picks the number itself and writes it to a file descriptor, so that tests
# running side by side never share a display; -noreset keeps it from
# resetting when its last client leaves, which would fail the next one. `$1`: a folder for its files
# (the server's messages go to xvfb.log there). Returns 1 when it did not
# start.
iniciar_xvfb() {
    local pasta=$1 tela=""
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$pasta/tela" >"$pasta/xvfb.log" 2>&1 &
    pid_xvfb=$!
    for _ in $(seq 1 100); do
        # A whole line: the number and its newline.
        if [ -s "$pasta/tela" ] && [ "$(wc -l <"$pasta/tela")" -ge 1 ]; then
            tela=$(head -n 1 "$pasta/tela")
            break
        fi
        kill -0 "$pid_xvfb" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$tela" ] || return 1
    export DISPLAY=":$tela"
}

# Stops the server that iniciar_xvfb started, if any.
parar_xvfb() {
    if [ -n "${pid_xvfb:-}" ]; then
        kill "$pid_xvfb" 2>/dev/null || true
        wait "$pid_xvfb" 2>/dev/null || true
        pid_xvfb=""
    fi
}

# For a script that needs one server for its whole run: starts it with its
# files in a temporary folder, and stops it and removes the folder when the
# script ends. Ends the script when the server does not start.
usar_xvfb() {
    # The programs run on this server talk to D-Bus, and libdbus has no frame
    # pointers: without the slow unwinder the stacks of the allocations it
    # keeps stop inside it, before the function tests/lsan.supp names.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
    pasta_xvfb=$(mktemp -d)
    trap 'parar_xvfb; rm -rf "$pasta_xvfb"' EXIT
    iniciar_xvfb "$pasta_xvfb" || { echo "Xvfb não iniciou"; cat "$pasta_xvfb/xvfb.log"; exit 1; }
}
