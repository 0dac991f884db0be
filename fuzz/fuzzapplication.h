// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

// Makes the one application object a target's Qt code needs, and silences the program's log: its lines
// would cost more than the code under test. Called from LLVMFuzzerInitialize.
void startFuzzApplication(int *argc, char ***argv);

class QString;

// A folder of its own for the target's files, removed when the process ends; in memory where possible, as
// the program's file writes (synced to disk) would otherwise set the pace.
QString fuzzFolder();
