#!/bin/sh
# The include rules of the tree: what each folder may include. Prints every include that breaks a
# rule, with the rule, and fails when there is one.
#
#   scripts/check_includes.sh [ROOT]       the tree at ROOT (default: this checkout)
#   scripts/check_includes.sh --self-test  plants a break of every rule in a scratch tree and
#                                          fails unless each one, and nothing allowed, is reported
#
# ctest runs both (include_rules, include_rules.self_test). platform/README.md explains the rules.
set -eu

script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

# forbid RULE FOLDERS PATTERN [ALLOWED] [EXCEPT]
# Reports the includes of the C++ files under FOLDERS (relative to $root) whose path, with its
# opening quote or bracket, matches PATTERN (an extended regular expression), unless the path
# matches ALLOWED or the file (relative to $root) matches EXCEPT.
forbid() {
    rule=$1 folders=$2 pattern=$3 allowed=${4:-} except=${5:-}
    for folder in $folders; do
        [ -d "$root/$folder" ] || continue
        (cd "$root" && grep -rnE --include='*.cpp' --include='*.h' \
            "^[[:space:]]*#[[:space:]]*include[[:space:]]*($pattern)" "$folder") |
            { if [ -n "$allowed" ]; then grep -Ev "include[[:space:]]*($allowed)"; else cat; fi; } |
            { if [ -n "$except" ]; then grep -Ev "^($except):"; else cat; fi; } |
            awk -v rule="$rule" '{ print $0 "  [" rule "]" }'
    done
}

check() {
    root=$1
    # The programs.
    forbid "Tavrelin's network side and capture include nothing from its application" \
        "server/net server/capture" '"app/'
    forbid "Tavrelin's capture takes only the protocol's numbers from the network side" \
        "server/capture" '"net/' '"net/viewer_protocol\.h"'
    forbid "BrevantaClient's network layer includes nothing from its screens" \
        "client/net" '"(app|keypad)/'
    forbid "The programs see the device API, never the inside of the platform layer" \
        "client server" '"(kernel|winsock|gdi|user|drivers|mfc)/'
    forbid "The tools share no code with the programs or the platform layer" \
        "tools" '"(kernel|winsock|gdi|user|drivers|mfc|app|net|capture|keypad)/|[<"](windows|winsock2|afxwin)\.h'
    # The platform layer, from the bottom up.
    forbid "The kernel is the bottom layer" \
        "platform/kernel" '"(winsock|gdi|user|drivers|mfc)/'
    forbid "Winsock stands on the kernel alone" \
        "platform/winsock" '"(gdi|user|drivers|mfc)/'
    forbid "GDI reaches the desktop and its driver only where a blit reads the display" \
        "platform/gdi" '"(user|drivers|mfc)/' '' 'platform/gdi/display_read\.cpp'
    forbid "The drivers know no window system" \
        "platform/drivers" '"(user|mfc)/'
    forbid "No layer but the drivers includes a driver: the others use the driver interfaces" \
        "platform/kernel platform/winsock platform/gdi platform/user platform/mfc platform/main platform/include" \
        '"drivers/(headless|x11|kms|kernel)/'
    forbid "The drivers do not include each other" "platform/drivers/headless" '"drivers/(x11|kms|kernel)/'
    forbid "The drivers do not include each other" "platform/drivers/x11" '"drivers/(headless|kms|kernel)/'
    forbid "The drivers do not include each other" "platform/drivers/kms" '"drivers/(headless|x11|kernel)/'
    forbid "The kernel's remote access includes no display driver" "platform/drivers/kernel" \
        '"drivers/(headless|x11|kms)/'
    forbid "The window system includes no MFC" "platform/user" '"mfc/'
    forbid "Of the window system's core only the class registry includes the controls" \
        "platform/user" '"user/controls/' '' 'platform/user/(controls/[^:]*|system_classes\.cpp)'
}

self_test() {
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    plant() {
        mkdir -p "$scratch/$(dirname "$1")"
        printf '#include %s\n' "$2" >>"$scratch/$1"
    }
    # One break of every rule.
    plant server/net/a.cpp '"app/server_state.h"'
    plant server/capture/a.cpp '"net/viewer_connection.h"'
    plant client/net/a.cpp '"keypad/keypad_layout.h"'
    plant client/app/a.cpp '"user/desktop.h"'
    plant tools/viewer/a.cpp '<windows.h>'
    plant platform/kernel/a.cpp '"gdi/surface.h"'
    plant platform/winsock/a.cpp '"user/desktop.h"'
    plant platform/gdi/a.cpp '"drivers/display_driver.h"'
    plant platform/drivers/a.cpp '"user/desktop.h"'
    plant platform/mfc/a.cpp '"drivers/headless/headless_driver.h"'
    plant platform/drivers/headless/a.cpp '"drivers/x11/x11_driver.h"'
    plant platform/drivers/x11/a.cpp '"drivers/headless/headless_driver.h"'
    plant platform/drivers/kms/a.cpp '"drivers/x11/x11_driver.h"'
    plant platform/user/a.cpp '"mfc/window_map.h"'
    plant platform/user/b.cpp '"user/controls/button.h"'
    plant platform/user/c.cpp '"drivers/kernel/kernel_remote.h"'
    plant platform/drivers/kernel/a.cpp '"drivers/x11/x11_driver.h"'
    breaks=17
    # What the rules allow, in files named ok.cpp or named in a rule's exception.
    plant server/capture/ok.cpp '"net/viewer_protocol.h"'
    plant server/app/ok.cpp '"net/viewer_connection.h"'
    plant platform/gdi/display_read.cpp '"user/desktop.h"'
    plant platform/user/system_classes.cpp '"user/controls/button.h"'
    plant platform/user/controls/ok.cpp '"user/controls/button.h"'
    plant platform/user/ok.cpp '"drivers/display_driver.h"'
    plant tools/viewer/ok.cpp '<net/if.h>'

    report=$(sh "$script" "$scratch" 2>/dev/null || true)
    found=$(printf '%s\n' "$report" | grep -c '\[' || true)
    if [ "$found" -ne "$breaks" ] ||
        printf '%s\n' "$report" | grep -Eq '(ok|display_read|system_classes)\.cpp'; then
        printf 'expected %s breaks, found %s:\n%s\n' "$breaks" "$found" "$report" >&2
        exit 1
    fi
    echo "every rule catches its break; nothing allowed is reported"
}

if [ "${1:-}" = "--self-test" ]; then
    self_test
    exit 0
fi

report=$(check "${1:-$(dirname "$script")/..}")
if [ -n "$report" ]; then
    printf '%s\n' "$report"
    echo "include rules broken (see platform/README.md)" >&2
    exit 1
fi
echo "include rules hold"
