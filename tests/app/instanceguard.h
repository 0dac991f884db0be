// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSharedMemory>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <lmcons.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

// The single-instance guard of a program as seen from outside: the tests start the programs with a private
// runtime folder, where the guard keeps its socket and key files, so that parallel runs never meet.
namespace InstanceGuard {

// The user's name as the guard asks the system for it.
inline QByteArray userName()
{
#ifdef Q_OS_WIN
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    return GetUserNameW(name, &size) ? QString::fromWCharArray(name, int(size) - 1).toUtf8() : QByteArray();
#else
    return getpwuid(getuid())->pw_name;
#endif
}

// The key the guard derives for a program when nothing has named the application yet, run by user (by
// default the one running this): other builds of the tool find each other by it.
inline QString keyOf(const QString &program, QByteArray user = {})
{
    if (user.isEmpty())
        user = userName();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QFileInfo file(program);
    hash.addData("SingleApplication");
    hash.addData(file.fileName().toUtf8());
    hash.addData(file.canonicalFilePath().toLower().toUtf8());
    hash.addData(user);
    return QString::fromLatin1(hash.result().toBase64().replace('/', '_'));
}

// A killed primary leaves its block with the system; released here as the next start would. The guard keeps
// the block's key file in its folder (guardFolder: $XDG_RUNTIME_DIR as the tests set it).
inline void release(const QString &program, const QString &guardFolder)
{
    QSharedMemory block;
    block.setNativeKey(guardFolder + QLatin1Char('/') + keyOf(program) + QStringLiteral(".block"));
    if (block.attach())
        block.detach();
}

} // namespace InstanceGuard
