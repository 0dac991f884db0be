// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "simcatalogue.h"

#include <QJsonDocument>

SimCatalogue::SimCatalogue(QObject *parent, quint16 port)
    : QObject(parent)
    , m_server(nullptr, port)
{
    publish();
}

QUrl SimCatalogue::serverUrl() const
{
    return m_server.isListening() ? QUrl(m_server.baseUrl()) : QUrl();
}

void SimCatalogue::setTool(const QString &version, const QString &info, const QString &windowsUrl)
{
    m_tool = {{QStringLiteral("version"), version}, {QStringLiteral("info"), info},
        {QStringLiteral("windowsURL"), windowsUrl}};
    publish();
}

void SimCatalogue::addFirmware(const QString &version, const QString &changeLog, const QByteArray &file)
{
    const QString path = QStringLiteral("/firmware/%1.rfw").arg(m_firmware.size());
    m_server.setBody(path, file);
    m_firmware.append(QJsonObject {{QStringLiteral("version"), version},
        {QStringLiteral("download"), m_server.url(path)}, {QStringLiteral("info"), changeLog}});
    publish();
}

void SimCatalogue::publish()
{
    QJsonObject document {{QStringLiteral("firmware"), m_firmware}};
    if (!m_tool.isEmpty())
        document.insert(QStringLiteral("flashTool"), m_tool);
    m_server.setBody(QLatin1String(DocumentPath), QJsonDocument(document).toJson(QJsonDocument::Compact));
}
