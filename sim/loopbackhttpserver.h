// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

#include <optional>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 that answers each path with a prepared reply, delivered whole or
// faultily, and counts requests: the catalogue server of the tests and the demo.
class LoopbackHttpServer : public QTcpServer
{
    Q_OBJECT

public:
    // How the reply is delivered.
    enum class Delivery {
        Normal, // status, Content-Length, body, then the connection closes
        NoContentLength, // the end of the body is marked only by closing the connection
        Stall, // status and Content-Length, then bodyPrefix bytes of the body, then silence
        CloseEarly, // status and Content-Length, then bodyPrefix bytes of the body, then close
        Trickle, // status and Content-Length, then the body one byte every pauseMs
    };

    struct Reply
    {
        int status = 200;
        QByteArray body;
        Delivery delivery = Delivery::Normal;
        int bodyPrefix = 0; // bytes sent before stalling or closing early
        QList<QByteArray> headers; // extra header lines, e.g. "Location: http://..."
        qint64 announcedLength = -1; // Content-Length to announce instead of the body's size
        int pauseMs = 0; // a pause after the first half of a Normal or NoContentLength body; a Trickle's pace
    };

    // Listens on port, or on a free port when it is 0; isListening() and errorString() tell how that went.
    explicit LoopbackHttpServer(QObject *parent = nullptr, quint16 port = 0);

    // The address of path on this server, e.g. url("/fw/1.rfw").
    QString url(const QString &path) const;
    // "http://127.0.0.1:<port>", the base address for SyncCloud.
    QString baseUrl() const;

    void setReply(const QString &path, const Reply &reply);
    void setBody(const QString &path, const QByteArray &body, int status = 200);
    // Answers every path with reply, whatever was prepared for it, until clearOverride(): a whole server
    // that fails or stalls.
    void setOverride(const Reply &reply);
    void clearOverride();

    int requestCount() const { return m_requests.size(); }
    int requestCount(const QString &path) const { return m_requests.count(path); }

    // A port on 127.0.0.1 on which nothing listens.
    static quint16 closedPort();

private:
    void onReadyRead(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const QString &path);

    QHash<QString, Reply> m_replies;
    std::optional<Reply> m_override;
    QStringList m_requests; // the path of every request, in arrival order
};
