// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "fuzzapplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

void startFuzzApplication(int *argc, char ***argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // libFuzzer keeps argc and argv for itself after this returns, as Qt requires.
    static QCoreApplication app(*argc, *argv);
}

QString fuzzFolder()
{
    static const QString memory = QStringLiteral("/dev/shm");
    static QTemporaryDir folder(QDir(memory).exists() ? memory + QStringLiteral("/tavrune-fuzz-XXXXXX")
                                                      : QDir::tempPath() + QStringLiteral("/tavrune-fuzz-XXXXXX"));
    return folder.path();
}
