# Shared by the Wine measurement scripts (sourced, after scripts/wine-env.sh): an X display of
# their own, the Linux processes and CPU time of programs in the tree's prefix, and the settings
# key. KORVANE_PID and OTHER_PID name the processes a script started, ended with the rest at exit.

# Starts Xvfb on a free display, exports DISPLAY and keeps the wineserver up; everything started
# is ended when the script exits.
start_own_display() {
    DISPLAY_NUM=$((90 + $$ % 60))
    while [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ]; do DISPLAY_NUM=$((DISPLAY_NUM + 1)); done
    Xvfb ":$DISPLAY_NUM" -screen 0 1024x768x24 >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$DISPLAY_NUM"
    KORVANE_PID=
    OTHER_PID=
    trap end_own_display EXIT INT TERM
    sleep 1
    wineserver -p 60 || true
}

end_own_display() {
    [ -n "$KORVANE_PID" ] && kill "$KORVANE_PID" 2>/dev/null || true
    [ -n "$OTHER_PID" ] && kill "$OTHER_PID" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    kill "$XVFB_PID" 2>/dev/null || true
}

KEY='HKLM\Software\Marrowfen\Korvane'
TICKS=$(getconf CLK_TCK)

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
