# shellcheck shell=bash
# Helpers for scripts that run inside tests/support/with-gnome-shell.sh: the shell's Eval, input
# through Mutter's RemoteDesktop (so Mutter's focus and idle monitor see it, unlike xdotool, which
# reaches X clients only), Mutter's keyboard focus, the shell's log and screenshots.

# gnome_eval JS: runs JS in the shell and prints its value (a string as is, anything else as
# JSON); fails when the code throws or the shell does not answer.
gnome_eval() {
    /usr/bin/python3 - "$1" <<'EOF'
import json, sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
try:
    ok, value = bus.call_sync("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                              GLib.Variant("(s)", (sys.argv[1],)), None, Gio.DBusCallFlags.NONE,
                              5000, None).unpack()
except GLib.Error as error:
    sys.exit(error.message)
if not ok:
    sys.exit(value)
try:
    decoded = json.loads(value) if value else ""
except ValueError:
    decoded = value
print(decoded if isinstance(decoded, str) else json.dumps(decoded))
EOF
}

gnome_input() {
    gdbus call --session --dest com.ostavel.test.Input --object-path / \
        --method "com.ostavel.test.Input.$1" "${@:2}" >/dev/null
}

# Evdev key codes by the names the scripts use.
gnome_keycode() {
    case "$1" in
    Escape) echo 1 ;; Tab) echo 15 ;; Return) echo 28 ;; space) echo 57 ;; comma) echo 51 ;;
    q) echo 16 ;; a) echo 30 ;; x) echo 45 ;;
    Up) echo 103 ;; Down) echo 108 ;; Left) echo 105 ;; Right) echo 106 ;;
    ctrl) echo 29 ;; shift) echo 42 ;; alt) echo 56 ;; super) echo 125 ;;
    *) return 1 ;;
    esac
}

# gnome_key [MODIFIER+]...KEY...: each key pressed and released, modifiers held around it, as
# `gnome_key Tab ctrl+q`. All in one call, so a loaded machine does not spread them out.
gnome_key() {
    local combo part code codes parts i events=()
    for combo in "$@"; do
        codes=()
        IFS=+ read -ra parts <<<"$combo"
        for part in "${parts[@]}"; do
            code=$(gnome_keycode "$part") || { echo "gnome_key: no key $part" >&2; return 2; }
            codes+=("$code")
        done
        for code in "${codes[@]}"; do events+=("($code, true)"); done
        for ((i = ${#codes[@]} - 1; i >= 0; i--)); do events+=("(${codes[i]}, false)"); done
    done
    local IFS=,
    gnome_input Keys "[${events[*]}]"
}

# gnome_pointer_move DX DY: a relative motion, as a mouse makes it.
gnome_pointer_move() { gnome_input Motion -- "$1" "$2"; }
# gnome_pointer_to X Y: the pointer at X,Y in the shell's coordinates (both monitors side by
# side), arriving there by a motion Mutter sees.
gnome_pointer_to() {
    gnome_eval "imports.gi.Clutter.get_default_backend().get_default_seat().warp_pointer($(($1 - 1)), $2)" \
        >/dev/null &&
        gnome_pointer_move 1 0
}
# gnome_click [left|middle|right]: a press and a release where the pointer is.
gnome_click() {
    local button
    case "${1:-left}" in left) button=272 ;; right) button=273 ;; middle) button=274 ;; *) return 2 ;; esac
    gnome_input Button "$button" true && gnome_input Button "$button" false
}

# The window that has Mutter's keyboard focus, which is what gets the keys: its title, or
# nothing. X's own focus may differ under XWayland.
gnome_focus_title() {
    gnome_eval 'global.display.focus_window ? global.display.focus_window.get_title() : ""'
}
# Whether Mutter's keyboard focus is on a window titled $1.
gnome_focus_is() { [ "$(gnome_focus_title)" = "$1" ]; }

# The shell's log so far, and its length in lines: `gnome_log_since LINES` prints what came after.
gnome_log_lines() { wc -l <"$OSTAVEL_GNOME_SHELL_LOG"; }
gnome_log_since() { tail -n +"$(($1 + 1))" "$OSTAVEL_GNOME_SHELL_LOG"; }

# gnome_screenshot FILE: what the shell shows on both monitors, as a PNG.
gnome_screenshot() {
    gdbus call --session --dest org.gnome.Shell.Screenshot --object-path /org/gnome/Shell/Screenshot \
        --method org.gnome.Shell.Screenshot.Screenshot false false "$(realpath -m "$1")" |
        grep -q '^(true'
}
