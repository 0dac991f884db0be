// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "loopbackhttpserver.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

// A firmware catalogue served on 127.0.0.1: the document at the address the tool asks for, and the firmware
// files it names, each under "/firmware/<n>.rfw".
class SimCatalogue : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *DocumentPath = "/download/tavrune-m4/tavrune-m4.json";

    // Serves on port of 127.0.0.1, or on a free one when it is 0.
    explicit SimCatalogue(QObject *parent = nullptr, quint16 port = 0);

    // The address to give SyncCloud or MainWindow; empty when the server could not listen.
    QUrl serverUrl() const;
    // The catalogue's "flashTool" entry: the tool version it offers, its change text and download page.
    void setTool(const QString &version, const QString &info = QString(), const QString &windowsUrl = QString());
    // Appends a firmware entry; the catalogue lists the entries in the order they were added.
    void addFirmware(const QString &version, const QString &changeLog, const QByteArray &file);
    // The server, to make it fail, stall or go away.
    LoopbackHttpServer *server() { return &m_server; }

private:
    void publish();

    LoopbackHttpServer m_server;
    QJsonObject m_tool;
    QJsonArray m_firmware;
};
