#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Runs the program in a private X server and D-Bus session with the AT-SPI accessibility bus and dumps
# its accessible tree:  accessibletree.sh <program> <accessibletree.py>
# Exits 77 (skipped) where the tools are missing.
set -eu
program=$1
dump=$2
launcher=/usr/libexec/at-spi-bus-launcher
for tool in xvfb-run dbus-run-session dbus-send xprop "$launcher"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is missing"; exit 77; }

# Always a private session, never the desktop the tests were started from, whose root window this changes.
if [ -z "${TAVRUNE_PRIVATE_SESSION:-}" ]; then
    runtime=$(mktemp -d)
    status=0
    TAVRUNE_PRIVATE_SESSION=1 XDG_RUNTIME_DIR=$runtime xvfb-run -a dbus-run-session -- sh "$0" "$@" || status=$?
    rm -rf "$runtime"
    exit $status
fi

"$launcher" --launch-immediately &
launcher_pid=$!
# The registry must be up before the program starts: Qt's bridge asks it once, at start, and stays away if
# nobody answers yet.
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0).childCount'
# Asked for the bus address over D-Bus, Qt 5's bridge goes live on the next turn of the event loop whether
# the answer has come or not, and here it mostly had not ("Not connected to D-Bus server"): the bridge then
# stays off the bus, in any Qt 5 program. Given the address in the root window's AT_SPI_BUS property, which
# it reads first and which at-spi's launcher does not set here, the bridge connects at once, as root too.
address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress |
    tr -d ' \n')
xprop -root -f AT_SPI_BUS 8s -set AT_SPI_BUS "$address"

QT_QPA_PLATFORM=xcb "$program" &
program_pid=$!
status=0
# The English catalogue's names of the window's controls, its pages and the first-run notice.
/usr/bin/python3 "$dump" "Tavrune M4 Firmware Tool" "Close" "Adapter versions" "Update progress" \
    "Change log" "Open firmware file" "Firmware server not reached" "No adapter connected" "Error" || status=$?
kill $program_pid $launcher_pid 2>/dev/null || true
wait $program_pid 2>/dev/null || true
exit $status
