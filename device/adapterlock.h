// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>

#include <memory>

// The user's claim on one adapter, so that two of this user's programs (the window and the command line)
// never drive the same adapter at the same time, while each may drive another. A lock file per adapter in
// the user's runtime folder: a holder that ends, even by a crash, lets go of it. Not thread-safe: the
// owner serialises its calls.
class AdapterLock
{
public:
    // Claims the adapter at path (as enumeration lists it), letting go of any other first; false when
    // another program holds it.
    bool tryLock(const QByteArray &path);
    void unlock();

    // Who holds the adapter last tried, e.g. "tavrune-flash (PID 4242)", for the message of whoever comes
    // second; empty when that cannot be told.
    QString holder() const;

    static QString filePath(const QByteArray &path);

private:
    QByteArray m_path;
    std::unique_ptr<QLockFile> m_file;
};
