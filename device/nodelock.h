// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// An exclusive claim on one adapter that every user's copy of the tool honours, root's too: the user's own
// lock (AdapterLock) keeps only that user's programs apart, and the system hands every program that opens
// the node a copy of every reply, so two writers would corrupt each other's updates. Released when the
// holder lets go or ends. Not thread-safe: the owner serialises its calls.
class NodeLock
{
public:
    NodeLock() = default;
    ~NodeLock();
    NodeLock(const NodeLock &) = delete;
    NodeLock &operator=(const NodeLock &) = delete;

    // Claims the adapter at node (a path as enumeration lists it), letting go of any other first; false
    // when another program holds it. A node that cannot be locked at all (no such file) counts as claimed.
    bool tryLock(const QByteArray &node);
    void unlock();

private:
    QByteArray m_node;
    qintptr m_handle = -1; // the open file descriptor (Linux) or file handle (Windows) holding the claim
};
