#!/usr/bin/env bash
# The build's include check refuses what a layer may not see, in either spelling: a view or a window
# that includes a Linux implementation, an X11 header or Qt Network fails the ui layer's check, an
# engine file that includes a view fails the engine's, and the layers' own files pass.
#
#   layer-check.sh CHECK_SCRIPT RULES_DIR
set -u
check="$1"
rules_dir="$2"
root=$(mktemp -d "${TMPDIR:-/tmp}/ostavel-layers.XXXXXX")
trap 'rm -rf "$root"' EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$root/out.log" ] && sed 's/^/  /' "$root/out.log" >&2
    exit 1
}

# check_with LAYER FILE: the layer's real rules with FILE added to its files.
check_with() {
    cat >"$root/rules.cmake" <<RULES
include("$rules_dir/$1_layer_rules.cmake")
list(APPEND FILES "$2")
set(STAMP "$root/stamp")
RULES
    cmake -DRULES="$root/rules.cmake" -P "$check" >"$root/out.log" 2>&1
}

for layer in engine services platform ui app; do
    check_with "ostavel_$layer" /dev/null || fail "the $layer layer's own files do not pass"
done

printf '#include "Platform/Linux/X11WindowList.h"\n' >"$root/View.cpp"
! check_with ostavel_ui "$root/View.cpp" || fail "a view may include a Linux implementation"
grep -q 'View.cpp: #include "Platform/Linux/X11WindowList.h"' "$root/out.log" ||
    fail "the refusal does not name the include"

for spelling in '<Platform/Linux/X11WindowList.h>' '<QNetworkAccessManager>' \
    '<QtNetwork/QNetworkReply>' '<Views/../Platform/Linux/X11WindowList.h>'; do
    printf '#include %s\n' "$spelling" >"$root/Planted.cpp"
    ! check_with ostavel_ui "$root/Planted.cpp" || fail "a view may include $spelling"
done

printf '#include <X11/Xlib.h>\n#include <QtDBus/QDBusConnection>\n' >"$root/Window.h"
! check_with ostavel_ui "$root/Window.h" || fail "a window may include X11 and D-Bus headers"

printf '#include "Views/MenuBarStatusView.h"\n' >"$root/Engine.cpp"
! check_with ostavel_engine "$root/Engine.cpp" || fail "the engine may include a view"

printf '#include "Services/CrashReporting/FeedbackSenderProtocol.h"\n#include <QWidget>\n%s\n' \
    '#include <Platform/Clock.h>' >"$root/Allowed.cpp"
check_with ostavel_ui "$root/Allowed.cpp" || fail "a view may not include a service interface"
echo "each layer's includes are checked"
