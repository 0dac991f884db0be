# SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
# SPDX-License-Identifier: MIT
# Prints the accessible tree of the running application named argv[1], as a screen reader reaches it over
# AT-SPI, and fails unless every name given after it appears in the tree. Exits 3 if the application does
# not appear on the bus within 10 seconds.
import sys
import time

import pyatspi

application, expected = sys.argv[1], set(sys.argv[2:])


def find():
    for candidate in pyatspi.Registry.getDesktop(0):
        if candidate is not None and candidate.name == application:
            return candidate
    return None


def walk(node, depth, names):
    names.add(node.name)
    print("  " * depth + '%s "%s" "%s"' % (node.getRoleName(), node.name, node.description))
    for child in node:
        if child is not None:
            walk(child, depth + 1, names)


deadline = time.monotonic() + 10
root = find()
while root is None and time.monotonic() < deadline:
    time.sleep(0.5)
    root = find()
if root is None:
    print("%s did not appear on the accessibility bus" % application)
    sys.exit(3)
# The window fills its texts in the first moments after it shows.
time.sleep(2)
names = set()
walk(root, 0, names)
missing = sorted(expected - names)
if missing:
    sys.exit("not in the tree: %s" % ", ".join(missing))
