// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "loopbackhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

LoopbackHttpServer::LoopbackHttpServer(QObject *parent, quint16 port)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    listen(QHostAddress::LocalHost, port);
}

QString LoopbackHttpServer::url(const QString &path) const
{
    return baseUrl() + path;
}

QString LoopbackHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

void LoopbackHttpServer::setReply(const QString &path, const Reply &reply)
{
    m_replies.insert(path, reply);
}

void LoopbackHttpServer::setBody(const QString &path, const QByteArray &body, int status)
{
    Reply reply;
    reply.status = status;
    reply.body = body;
    setReply(path, reply);
}

void LoopbackHttpServer::setOverride(const Reply &reply)
{
    m_override = reply;
}

void LoopbackHttpServer::clearOverride()
{
    m_override.reset();
}

quint16 LoopbackHttpServer::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

void LoopbackHttpServer::onReadyRead(QTcpSocket *socket)
{
    // The request line and headers arrive whole on loopback; a GET carries no body.
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_requests.append(path);
    respond(socket, path);
}

void LoopbackHttpServer::respond(QTcpSocket *socket, const QString &path)
{
    Reply reply;
    reply.status = 404;
    reply.body = "not found";
    reply = m_override.value_or(m_replies.value(path, reply));

    const QByteArray reason = reply.status == 200 ? "OK" : "Error";
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " " + reason + "\r\nConnection: close\r\n";
    if (reply.delivery != Delivery::NoContentLength) {
        const qint64 length = reply.announcedLength >= 0 ? reply.announcedLength : reply.body.size();
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    for (const QByteArray &header : reply.headers)
        head += header + "\r\n";
    socket->write(head + "\r\n");

    switch (reply.delivery) {
    case Delivery::Normal:
    case Delivery::NoContentLength: {
        const int half = reply.body.size() / 2;
        socket->write(reply.body.left(half));
        QTimer::singleShot(reply.pauseMs, socket, [socket, rest = reply.body.mid(half)] {
            socket->write(rest);
            socket->disconnectFromHost();
        });
        break;
    }
    case Delivery::Stall:
        socket->write(reply.body.left(reply.bodyPrefix));
        break;
    case Delivery::CloseEarly:
        socket->write(reply.body.left(reply.bodyPrefix));
        socket->disconnectFromHost();
        break;
    case Delivery::Trickle: {
        auto *pace = new QTimer(socket);
        connect(pace, &QTimer::timeout, socket, [socket, pace, body = reply.body, sent = 0]() mutable {
            if (sent == body.size()) {
                pace->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid(sent++, 1));
        });
        pace->start(reply.pauseMs);
        break;
    }
    }
}
