// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "replylimits.h"

#include "synccloud.h"

#include <QDebug>
#include <QNetworkReply>
#include <QTimer>

namespace ReplyLimits {

static const char exceededProperty[] = "tavruneBodyTooLarge";

void capBodySize(QNetworkReply *reply)
{
    QObject::connect(
        reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 bytesReceived, qint64 bytesTotal) {
            if (bytesReceived <= SyncCloud::MaxReplySize && bytesTotal <= SyncCloud::MaxReplySize)
                return;
            reply->setProperty(exceededProperty, true);
            reply->abort();
        });
}

bool exceededBodySize(const QNetworkReply *reply)
{
    return reply->property(exceededProperty).toBool();
}

void setDeadline(QNetworkReply *reply, int deadlineMs)
{
    QTimer::singleShot(deadlineMs, reply, [reply, deadlineMs] {
        if (reply->isFinished())
            return;
        qWarning() << "reply abandoned: not finished within" << deadlineMs << "ms" << reply->url();
        reply->abort();
    });
}

bool isDelivered(const QNetworkReply *reply)
{
    if (reply->error() != QNetworkReply::NoError)
        return false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status < 300;
}

} // namespace ReplyLimits
