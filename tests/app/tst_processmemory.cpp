// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "app/processmemory.h"

#include <QFile>
#include <QtTest>

#include <unistd.h>

// The heap that a worker maps ahead of the main thread.
class TestProcessMemory : public QObject
{
    Q_OBJECT

private slots:
    void mappedAheadAndContentsKept();
};

void TestProcessMemory::mappedAheadAndContentsKept()
{
    constexpr qint64 ahead = 8 * 1024 * 1024;
    constexpr int blockSize = 16 * 1024;
    const auto residentBytes = [] {
        QFile statm(QStringLiteral("/proc/self/statm"));
        return statm.open(QIODevice::ReadOnly)
            ? statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE)
            : -1;
    };
    ProcessMemory::reuseFreedPages();
    const qint64 before = residentBytes();
    std::future<void> mapped = ProcessMemory::mapHeapAhead(ahead);
    QVERIFY(mapped.valid());

    // Half of it is filled from the same heap while the worker maps it, as start-up does.
    QList<QByteArray> blocks;
    for (int i = 0; i < ahead / 2 / blockSize; ++i)
        blocks.append(QByteArray(blockSize, char(i)));
    mapped.wait();

    for (int i = 0; i < blocks.size(); ++i)
        QCOMPARE(blocks.at(i).count(char(i)), blockSize);
    // The blocks alone would be half of it: the rest is what the worker mapped.
    const qint64 grown = residentBytes() - before;
    QVERIFY2(before > 0 && grown >= ahead * 3 / 4, qPrintable(QString::number(grown)));
}

QTEST_GUILESS_MAIN(TestProcessMemory)
#include "tst_processmemory.moc"
