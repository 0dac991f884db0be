// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// A Tavrune M4 behind the hidapi functions the program calls, whose every reply follows a script of
// fuzzer-chosen bytes: honest, edited, replaced by raw bytes, late, missing, a failed read or write, or the
// adapter pulled. Honest replies, and every reply once the script runs out, are AdapterModel's.
//
// It also judges each reply as the program's checks must: it counts the bytes of write commands whose echo
// the program read back intact, and it aborts the process when an erase or write command arrives where
// none may (outside an update, or after such a command has failed its check).
namespace ScriptedAdapter {

// Plugs a fresh adapter in under productId, with script as the plan for its replies (kept, not copied).
void start(quint16 productId, const uint8_t *script, size_t size);
// Whether erase and write commands may arrive now (only while an update runs).
void allowFlashing(bool allowed);
// Bytes of write commands acknowledged with an intact echo since start.
qint64 verifiedBytes();

} // namespace ScriptedAdapter
