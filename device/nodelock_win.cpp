// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "nodelock.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// hidapi opens an interface shared for reading and writing, so any program may open it beside this one,
// and opening it again without sharing would fail against this program's own handle. The claim is
// instead a file in the machine's common data folder, named after the interface path and opened without
// sharing: every user's copy of the tool (which runs with administrator rights) opens the same file, a
// second open fails with a sharing violation, and the claim ends when its handle is closed, also when the
// holder dies.
NodeLock::~NodeLock()
{
    unlock();
}

bool NodeLock::tryLock(const QByteArray &node)
{
    if (m_handle != -1 && node == m_node)
        return true;
    unlock();
    const QString common = qEnvironmentVariable("ProgramData", QDir::tempPath());
    const QDir folder(QDir(common).filePath(QStringLiteral("TavruneFirmwareTool")));
    if (!folder.mkpath(QStringLiteral(".")))
        return true;
    // Windows spells an interface path in either case.
    const QString name = QString::fromLatin1(
        QCryptographicHash::hash(node.toLower(), QCryptographicHash::Sha1).toHex() + ".lock");
    const std::wstring path = QDir::toNativeSeparators(folder.filePath(name)).toStdWString();
    const HANDLE file = CreateFileW(
        path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD cause = GetLastError();
        if (cause == ERROR_SHARING_VIOLATION)
            return false;
        qDebug() << "adapter lock file not usable" << QString::fromStdWString(path) << cause;
        return true;
    }
    m_handle = reinterpret_cast<qintptr>(file);
    m_node = node;
    return true;
}

void NodeLock::unlock()
{
    if (m_handle == -1)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
    m_node.clear();
}
