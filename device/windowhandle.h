// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

class QObject;

// The native handle of the window that an object is (Windows). Only a widget can say, and the core, which
// the command line links without Qt Widgets, cannot ask one: the interface part, which has them, installs
// the question before main() runs.
class WindowHandle
{
public:
    using Resolver = quintptr (*)(QObject *object);

    static void setResolver(Resolver resolver);
    // 0 for an object that is no window, and wherever no interface part is linked.
    static quintptr of(QObject *object);
};
