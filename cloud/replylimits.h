// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

class QNetworkReply;

// The checks every reply of the catalogue server passes before its body is used.
namespace ReplyLimits {

// Aborts reply as soon as its body is known to exceed SyncCloud::MaxReplySize.
void capBodySize(QNetworkReply *reply);

// True when capBodySize aborted reply.
bool exceededBodySize(const QNetworkReply *reply);

// Aborts reply once deadlineMs have passed, however steadily its bytes keep coming: the transfer time-out
// starts again with every byte, so a server that trickles would otherwise hold the caller for ever.
void setDeadline(QNetworkReply *reply, int deadlineMs);

// True when an HTTP server answered with a 2xx status and the body arrived whole. A redirect, which is
// not followed, or a non-HTTP address delivers nothing.
bool isDelivered(const QNetworkReply *reply);

} // namespace ReplyLimits
