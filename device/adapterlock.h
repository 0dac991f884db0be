// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QLockFile>
#include <QString>

// The user's claim on the adapter, so that two of this user's programs (the window and the command line)
// never drive it at the same time. A lock file in the user's runtime folder: a holder that ends, even by
// a crash, lets go of it. Not thread-safe: the owner serialises its calls.
class AdapterLock
{
public:
    AdapterLock();

    // Takes the lock unless another program holds it; true when this object holds it afterwards.
    bool tryLock();
    void unlock();
    bool isLocked() const;

    // Who holds the lock, e.g. "tavrune-flash (PID 4242)", for the message of whoever comes second; empty
    // when that cannot be told.
    QString holder() const;

    static QString filePath();

private:
    QLockFile m_file;
};
