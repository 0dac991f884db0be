// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "windowhandle.h"

static WindowHandle::Resolver resolver = nullptr;

void WindowHandle::setResolver(Resolver newResolver)
{
    resolver = newResolver;
}

quintptr WindowHandle::of(QObject *object)
{
    return object && resolver ? resolver(object) : 0;
}
