// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The catalogue reply: a body handed to SyncCloud's reply handling as the server's answer, and the
// firmware list read back from the settings file, both as a run of the tool meets them.
//
// The input is the cached "FirmwareInfo" value and the body, split by libFuzzer's data provider; the first
// byte says whether the server answers at all. Below SyncCloud only the network is replaced: its request
// gets a reply that serves the body with HTTP status 200, or fails as an unreachable host does.
//
// Invariants: no firmware version with a path separator or a dot segment ever becomes a cache path (every
// cache path is a plain "Firmware_V<version>.rfw" inside the cache directory), and the list stored in the
// settings file reads back unchanged in the next run.

#include "cloud/synccloud.h"
#include "fuzzapplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>
#include <QNetworkConfigurationManager>
#include <QNetworkReply>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A finished reply with a fixed body, or with the error of a host that cannot be reached.
class CannedReply : public QNetworkReply
{
public:
    CannedReply(const QNetworkRequest &request, const QByteArray &body, bool answered, QObject *parent)
        : QNetworkReply(parent)
        , m_body(body)
    {
        setRequest(request);
        setUrl(request.url());
        setOperation(QNetworkAccessManager::GetOperation);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        if (answered)
            setAttribute(QNetworkRequest::HttpStatusCodeAttribute, 200);
        else
            setError(QNetworkReply::HostNotFoundError, QStringLiteral("Host not found"));
        QMetaObject::invokeMethod(
            this,
            [this, answered] {
                if (!answered)
                    emit errorOccurred(error());
                setFinished(true);
                emit finished();
            },
            Qt::QueuedConnection);
    }

    void abort() override { }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_body.size() - m_read + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = qMin(maxSize, qint64(m_body.size() - m_read));
        if (count <= 0)
            return -1;
        std::memcpy(data, m_body.constData() + m_read, size_t(count));
        m_read += int(count);
        return count;
    }

private:
    QByteArray m_body;
    int m_read = 0;
};

// SyncCloud whose requests get canned replies instead of going out.
class CannedSyncCloud : public SyncCloud
{
public:
    CannedSyncCloud(const QByteArray &body, bool answered)
        : SyncCloud(QUrl(QStringLiteral("http://127.0.0.1:9")))
        , m_body(body)
        , m_answered(answered)
    { }

    // Runs the one catalogue request of a run to its end.
    void sync()
    {
        bool finished = false;
        connect(this, &SyncCloud::syncFinshed, this, [&finished] { finished = true; }, Qt::DirectConnection);
        getInformation();
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

protected:
    QNetworkReply *createRequest(Operation, const QNetworkRequest &request, QIODevice *) override
    {
        return new CannedReply(request, m_body, m_answered, this);
    }

private:
    QByteArray m_body;
    bool m_answered;
};

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, qUtf8Printable(detail));
    std::abort();
}

void checkCachePaths(const SyncCloud &cloud, const QString &cacheDirectory)
{
    const QStringList versions = cloud.firmwareVersions();
    for (int i = 0; i < versions.size(); ++i) {
        const QString path = cloud.firmwareCachePath(i);
        if (path.isEmpty())
            continue;
        const QString version = versions.at(i);
        const QFileInfo info(path);
        if (version.contains(QLatin1Char('/')) || version.contains(QLatin1Char('\\')) ||
            version == QLatin1String(".") || version == QLatin1String("..") || QDir::cleanPath(path) != path ||
            info.path() != cacheDirectory || info.fileName() != QStringLiteral("Firmware_V%1.rfw").arg(version))
            fail("version became a cache path outside a plain file name", path);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startFuzzApplication(argc, argv);
    qputenv("XDG_DATA_HOME", fuzzFolder().toLocal8Bit());
    // Every QNetworkAccessManager starts Qt's bearer management, a global object whose thread then
    // updates its list of network configurations, and does so again every 10 s: allocations that land in
    // whichever input runs meanwhile, so that libFuzzer finds the counts unbalanced, runs its leak check
    // and gives up on it after a thousand inputs. One manager kept for the whole run keeps the polling
    // started once, here, and the time-out turns the periodic updates off.
    qputenv("QT_BEARER_POLL_TIMEOUT", "-1");
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    static QNetworkConfigurationManager bearer;
    QEventLoop settled;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&bearer, &QNetworkConfigurationManager::updateCompleted, &settled, &QEventLoop::quit);
    QObject::connect(&limit, &QTimer::timeout, &settled, &QEventLoop::quit);
    QT_WARNING_POP
    limit.start(2000);
    bearer.updateConfigurations();
    settled.exec();
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrune"));
    QCoreApplication::setApplicationName(QStringLiteral("fuzz_catalogue"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool answered = provider.ConsumeBool();
    const std::string cached = provider.ConsumeRandomLengthString();
    const std::string body = provider.ConsumeRemainingBytesAsString();

    const QString cacheDirectory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString settingsPath = cacheDirectory + QStringLiteral("/tavruneflashtool.ini");
    QFile::remove(settingsPath);
    {
        QSettings settings(settingsPath, QSettings::IniFormat);
        settings.setValue(QStringLiteral("FirmwareInfo"), QByteArray::fromStdString(cached));
    }

    QStringList stored;
    {
        CannedSyncCloud cloud(QByteArray::fromStdString(body), answered);
        cloud.sync();
        checkCachePaths(cloud, cacheDirectory);
        stored = cloud.firmwareVersions();
    }

    // The next run, without network, offers what this one stored.
    CannedSyncCloud offline(QByteArray(), false);
    offline.sync();
    checkCachePaths(offline, cacheDirectory);
    if (offline.firmwareVersions() != stored)
        fail("firmware list changed through the settings file", stored.join(QLatin1Char(',')));
    return 0;
}
