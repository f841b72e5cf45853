#!/usr/bin/env bash
# Lays out the private X display for one group of the X11 blocker tests, then runs them.
#   x11-layout.sh wm|bare|dual test-binary [args...]
set -eu
layout=$1
shift
case "$layout" in
    wm) suite=WindowManagerDesktop ;;
    bare) suite=BareXServer ;;
    dual) suite=TwoMonitors ;;
    *) echo "x11-layout.sh: unknown layout $layout" >&2; exit 2 ;;
esac
if [ "$layout" = dual ]; then
    # Two monitors side by side on the one wide screen Xvfb was started with.
    output=$(xrandr --query | awk '/ connected/ { print $1; exit }')
    xrandr --setmonitor ostavel-left 1280/338x800/211+0+0 "$output"
    xrandr --setmonitor ostavel-right 1280/338x800/211+1280+0 none
fi
export OSTAVEL_X11_LAYOUT="$layout" QT_QPA_PLATFORM=xcb
exec "$@" --gtest_filter="$suite.*"
