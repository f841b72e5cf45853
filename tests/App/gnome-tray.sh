#!/usr/bin/env bash
# The tray in Debian's real GNOME Shell on Wayland, with its AppIndicator extension: the shell
# draws our menu, so every click on the icon toggles it and its keys work (arrows, Return, Esc);
# the shell's log holds no error about our item, and no call to the item or its menu gets an
# error reply. Run inside tests/support/with-gnome-shell.sh.
#
#   gnome-tray.sh OSTAVEL STORE_DEFAULTS ARTIFACT_DIR
set -u
ostavel="$1"
store_defaults="$2"
artifacts="$3"
mkdir -p "$artifacts"
rm -f "$artifacts"/gnome-tray-*
# shellcheck source=../support/e2e-lib.sh
source "$(dirname "$0")/../support/e2e-lib.sh"
# shellcheck source=../support/gnome-lib.sh
source "$(dirname "$0")/../support/gnome-lib.sh"
show_on_failure ostavel "$artifacts/gnome-tray-ostavel.log"
show_on_failure shell "$OSTAVEL_GNOME_SHELL_LOG"

"$store_defaults" --bool com.ostavel.onboardingCompleted=true || fail "could not store defaults"
dbus-monitor --session >"$artifacts/gnome-tray-bus.log" 2>&1 &
pids+=($!)
log_start=$(gnome_log_lines)
QT_LOGGING_RULES="com.ostavel.app.*.info=true" "$ostavel" >"$artifacts/gnome-tray-ostavel.log" 2>&1 &
ostavel_pid=$!
pids+=("$ostavel_pid")

# within SECONDS COMMAND...: wait_for by the clock, for commands that take a while themselves (an
# Eval takes a good part of a tenth of a second).
within() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.05
    done
}

# Our item: the connection that registered the path /StatusNotifierItem.
registrant() {
    grep -A1 "member=RegisterStatusNotifierItem$" "$artifacts/gnome-tray-bus.log" |
        grep -B1 '^   string "/StatusNotifierItem"$' | sed -n 's/.* sender=\([^ ]*\) .*/\1/p' | head -1
}
registered() { [ -n "$(registrant)" ]; }
within 20 registered || fail "our item did not register by its path"
icon="Main.panel.statusArea[\"appindicator-$(registrant)@/StatusNotifierItem\"]"
menu_items() { gnome_eval "$icon.menu.numMenuItems" 2>/dev/null; }
has_menu() { [ "$(menu_items)" -gt 5 ] 2>/dev/null; }
within 40 has_menu || fail "the shell shows no menu for our icon: $(gnome_eval \
    'Object.keys(Main.panel.statusArea).join(" ")') $(menu_items)"
is_open() { [ "$(gnome_eval "$icon.menu.isOpen")" = "$1" ]; }
focused() { gnome_eval 'global.stage.key_focus && global.stage.key_focus.label ? global.stage.key_focus.label.text : ""'; }
# The shell's menu holds the status lines, then the commands, and follows the engine: input
# through Mutter starts the work.
read -r x y < <(gnome_eval "(() => { const [x, y] = $icon.get_transformed_position(); return Math.round(x + $icon.width / 2) + ' ' + Math.round(y + $icon.height / 2); })()")
gnome_pointer_to "$x" "$y" || fail "could not move the pointer"
labels() { gnome_eval "$icon.menu._getMenuItems().map(i => i.label ? i.label.text : '-').join('|')"; }
working_menu() {
    case "$(labels)" in
    "Working|Work Session: 0:"*"||Start Break|Skip Next Break||Disable||Send Feedback…||Settings…|Quit Ostavel") ;;
    *) return 1 ;;
    esac
}
within 10 working_menu || fail "the menu reads: $(labels)"

# Each of 12 clicks on the icon toggles the menu: open, closed, open, ...
for i in $(seq 1 12); do
    want=$([ $((i % 2)) = 1 ] && echo true || echo false)
    gnome_click left
    within 3 is_open "$want" || fail "click $i: the menu is not open=$want"
    sleep 0.3
    is_open "$want" || fail "click $i: the menu did not stay open=$want"
done

# Keys: Down walks the commands, Esc closes, Return chooses (a window it opens gets the keyboard).
gnome_click left
within 3 is_open true || fail "the menu did not open"
gnome_key Down
within 2 eval '[ "$(focused)" = "Start Break" ]' || fail "Down focused '$(focused)'"
gnome_key Down
within 2 eval '[ "$(focused)" = "Skip Next Break" ]' || fail "Down focused '$(focused)'"
gnome_key Up
within 2 eval '[ "$(focused)" = "Start Break" ]' || fail "Up focused '$(focused)'"
gnome_key Escape
within 2 is_open false || fail "Esc did not close the menu"
open_and_choose() {
    gnome_click left
    within 3 is_open true || fail "the menu did not open"
    for _ in $(seq 1 12); do
        gnome_key Down
        [ "$(focused)" = "$1" ] && break
    done
    [ "$(focused)" = "$1" ] || fail "the keys never reached $1"
    gnome_key Return
}
open_and_choose "Settings…"
wait_for 5 xdotool search --onlyvisible --name "^Ostavel Settings$" >/dev/null ||
    fail "Return on Settings… opened no settings window"
within 5 gnome_focus_is "Ostavel Settings" ||
    fail "the settings window has no keyboard: it is on '$(gnome_focus_title)'"
open_and_choose "Quit Ostavel"
wait_for 5 bash -c "! kill -0 $ostavel_pid 2>/dev/null" || fail "Return on Quit Ostavel did not quit"

# Nothing the shell asked of our item, or of its menu, failed, and its log holds no error of it.
gnome_log_since "$log_start" >"$artifacts/gnome-tray-shell.log"
if grep -n "StatusNotifierItem\|AccessibleDesc\|dbusmenu\|JS ERROR" "$artifacts/gnome-tray-shell.log" |
    grep -v "CalendarServer"; then
    fail "the shell logged the errors above"
fi
item_owner=$(sed -n 's/.*sender=\(:[0-9.]*\) .*member=NewIcon.*/\1/p' "$artifacts/gnome-tray-bus.log" | head -1)
[ -n "$item_owner" ] || fail "the bus log shows no icon of ours"
if grep -A2 "^error .*sender=$item_owner " "$artifacts/gnome-tray-bus.log"; then
    fail "our item answered the calls above with errors"
fi
echo "GNOME Shell: 12 clicks gave 12 toggles, the menu's keys work, no error from our item"
