// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "app/applicationidentity.h"
#include "sim/simadapter.h"
#include "sim/simcatalogue.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

// What a main window under test runs in, once per test process: the program's identity, a private home for the settings file and
// the firmware cache, no adapter plugged, and a catalogue on 127.0.0.1 that offers this very tool version
// and no firmware, so that no window reaches the maker's server or greets the test with a first-run error.
class WindowTestEnvironment : public QObject
{
public:
    static WindowTestEnvironment &instance()
    {
        // A child of the application, so that it goes before the application does.
        static auto *environment = new WindowTestEnvironment(QCoreApplication::instance());
        return *environment;
    }

    QUrl server() const { return catalogue->serverUrl(); }

    QTemporaryDir home;
    SimCatalogue *catalogue;

private:
    explicit WindowTestEnvironment(QObject *parent)
        : QObject(parent)
        , catalogue(new SimCatalogue(this))
    {
        ApplicationIdentity::apply();
        qputenv("HOME", home.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
        SimAdapter::reset();
        catalogue->setTool(QCoreApplication::applicationVersion());
    }
};
