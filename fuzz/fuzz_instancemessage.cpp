// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
// The single-instance protocol as the primary reads it: a header, the first message and whatever follows,
// arriving on a connection all at once or in pieces.
//
// The first input byte says how the stream is made. Bit 0 clear: the rest is the stream as it stands. Bit 0
// set: the target writes a first message as a later start does (kind and instance number from the next two
// bytes), the rest following it; bit 1 spoils its checksum, bit 2 its key. Bit 3 sets NotifySecondary. The
// byte after says how many bytes arrive at a time (0: all at once).
//
// Invariants: a connection is let in exactly when its first message is one of ours (always for a message
// written as a later start writes it, never for a spoilt one), and otherwise closed with nothing announced;
// an instance start is announced at most once; what follows the first message is published unchanged; and
// the outcome does not depend on how the bytes were split.

#include "app/singleapplication.h"
#include "app/singleapplication_p.h"

#include <QDataStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One end of a local connection: bytes appended arrive, and the primary reads them as they come.
class Connection : public QIODevice
{
public:
    Connection() { open(QIODevice::ReadOnly); }
    void arrive(const QByteArray &bytes) { m_pending += bytes; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_pending.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int count = int(qMin<qint64>(maxSize, m_pending.size()));
        if (count > 0)
            std::memcpy(data, m_pending.constData(), size_t(count));
        m_pending.remove(0, count);
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pending;
};

struct Outcome
{
    SingleApplicationPrivate::ReaderStage stage;
    quint32 instanceId;
    bool open;
    int started;
    QByteArray published;
};

SingleApplication *app;
SingleApplicationPrivate *guard;
int started;
QByteArray published;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

Outcome feed(const QByteArray &stream, int piece)
{
    started = 0;
    published.clear();
    Connection connection;
    SingleApplicationPrivate::ConnectionInfo info;
    for (int at = 0; at < stream.size() && connection.isOpen() && info.stage != SingleApplicationPrivate::Connected;
         at += piece) {
        connection.arrive(stream.mid(at, piece));
        guard->readInitMessage(&connection, info);
    }
    return {info.stage, info.instanceId, connection.isOpen(), started, published};
}

// A first message as a later start writes it, with its header.
QByteArray firstMessage(const QByteArray &key, qint8 kind, qint32 instance, bool spoilChecksum)
{
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_6);
    stream << key << kind << instance;
    stream << quint16(qChecksum(message.constData(), uint(message.size())) ^ (spoilChecksum ? 1 : 0));
    QByteArray header;
    QDataStream headerStream(&header, QIODevice::WriteOnly);
    headerStream.setVersion(QDataStream::Qt_5_6);
    headerStream << qint64(message.size());
    return header + message;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new SingleApplication(*argc, *argv, true, SingleApplication::PerUser, 1000, QStringLiteral("fuzz"));
    guard = new SingleApplicationPrivate(app);
    guard->deriveGuardKey();
    QObject::connect(app, &SingleApplication::instanceStarted, [] { ++started; });
    QObject::connect(app, &SingleApplication::receivedMessage,
        [](quint32, const QByteArray &message) { published += message; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0];
    int piece = data[1];
    QByteArray rest(reinterpret_cast<const char *>(data + 2), int(size - 2));
    guard->options = SingleApplication::PerUser;
    if (mode & 8)
        guard->options |= SingleApplication::NotifySecondary;

    bool written = false;
    qint8 kind = 0;
    if (mode & 1 && rest.size() >= 2) {
        kind = qint8(rest.at(0));
        const qint32 instance = quint8(rest.at(1));
        const QByteArray key = guard->guardKey.toLatin1() + (mode & 4 ? "x" : "");
        written = true;
        rest = firstMessage(key, kind, instance, mode & 2) + rest.mid(2);
    }
    const Outcome whole = feed(rest, qMax(1, rest.size()));
    const Outcome pieces = feed(rest, piece == 0 ? qMax(1, rest.size()) : piece);

    const bool connected = whole.stage == SingleApplicationPrivate::Connected;
    if (pieces.stage != whole.stage || pieces.open != whole.open || pieces.instanceId != whole.instanceId ||
        pieces.started != whole.started || !whole.published.startsWith(pieces.published))
        fail("the outcome depends on how the bytes arrived");
    if (written && connected != !(mode & 6))
        fail(connected ? "a spoilt first message was let in" : "a later start's first message was refused");
    if (!connected && (whole.started || !whole.published.isEmpty()))
        fail("a connection not let in announced something");
    const bool announces = kind == SingleApplicationPrivate::RefusedStart ||
        (kind == SingleApplicationPrivate::SecondaryStart && guard->options.testFlag(SingleApplication::NotifySecondary));
    if (connected && written && whole.started != (announces ? 1 : 0))
        fail("an instance start was announced wrongly");
    if (whole.started > 1)
        fail("an instance start was announced twice");
    if (connected) {
        qint64 length = 0;
        QDataStream header(rest);
        header.setVersion(QDataStream::Qt_5_6);
        header >> length;
        if (whole.published != rest.mid(int(8 + length)))
            fail("what followed the first message was not published unchanged");
    }
    return 0;
}
