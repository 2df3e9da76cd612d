# Shared by the Wine measurement scripts (sourced, after scripts/wine-env.sh): an X display of
# their own, and the Linux processes and CPU time of programs in the tree's prefix.

# Starts Xvfb on a free display and exports DISPLAY; XVFB_PID is the server's process.
start_own_display() {
    DISPLAY_NUM=$((90 + $$ % 60))
    while [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ]; do DISPLAY_NUM=$((DISPLAY_NUM + 1)); done
    Xvfb ":$DISPLAY_NUM" -screen 0 1024x768x24 >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$DISPLAY_NUM"
}

# The Linux process of a program in this prefix.
find_in_prefix() {  # $1 = pgrep pattern
    for p in $(pgrep -f "$1" || true); do
        if (tr "\\0" "\\n" < "/proc/$p/environ") 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return
        fi
    done
}

cpu_ticks() {  # utime + stime of a process, in clock ticks
    awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}
