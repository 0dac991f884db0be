#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Runs the program in a private X server and D-Bus session with the AT-SPI accessibility bus and dumps
# its accessible tree:  accessibletree.sh <program> <accessibletree.py>
# Exits 77 (skipped) where the tools are missing. Run as root, Qt 5's AT-SPI bridge was never seen to reach
# the accessibility bus here ("Not connected to D-Bus server"): root hands the run to the user nobody.
set -eu
program=$1
dump=$2
launcher=/usr/libexec/at-spi-bus-launcher
for tool in xvfb-run dbus-run-session "$launcher"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is missing"; exit 77; }

if [ "$(id -u)" = 0 ]; then
    command -v runuser >/dev/null && id nobody >/dev/null 2>&1 || { echo "skipped: no unprivileged user"; exit 77; }
    runuser -u nobody -- test -r "$0" -a -r "$dump" -a -x "$program" ||
        { echo "skipped: the user nobody cannot reach the build tree"; exit 77; }
    home=$(mktemp -d)
    chown nobody "$home"
    status=0
    runuser -u nobody -- env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home" sh "$0" "$@" || status=$?
    rm -rf "$home"
    exit $status
fi

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a dbus-run-session -- sh "$0" "$@"
fi

"$launcher" --launch-immediately &
launcher_pid=$!
# The registry must be up before the program starts: Qt's bridge asks it once, at start, and stays away if
# nobody answers yet.
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0).childCount'
sleep 1
status=3
attempt=0
# Qt 5's bridge asks the registry once, at start, sometimes before its own connection to the accessibility
# bus is up ("Not connected to D-Bus server"), and then stays away from the bus: the program is started
# again in that case.
while [ $status = 3 ] && [ $attempt -lt 3 ]; do
    attempt=$((attempt + 1))
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$program" &
    program_pid=$!
    status=0
    # The English catalogue's names of the window's controls, its pages and the first-run notice.
    /usr/bin/python3 "$dump" "Tavrune M4 Firmware Tool" "Close" "Adapter versions" "Update progress" \
        "Change log" "Open firmware file" "Firmware server not reached" "No adapter connected" "Error" || status=$?
    kill $program_pid 2>/dev/null || true
    wait $program_pid 2>/dev/null || true
done
kill $launcher_pid 2>/dev/null || true
if [ $status = 3 ]; then
    echo "skipped: Qt's accessibility bridge never reached the bus"
    exit 77
fi
exit $status
