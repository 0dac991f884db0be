// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include "tests/ui/windowtestenvironment.h"
#include "ui/mainwindow.h"

#include <QTest>
#include <QTranslator>

#include <memory>

// The window the dialogs live in, as a user sees them: the shown main window, whose style sheet styles them.
// The caller checks that it has come up (QTest::qWaitForWindowExposed), so that a test never runs without it.
inline std::unique_ptr<MainWindow> makeDialogHost()
{
    auto host = std::make_unique<MainWindow>(WindowTestEnvironment::instance().server());
    host->show();
    return host;
}

// Answers every lookup with "context:source", so a test sees which catalogue context a text came from.
class ContextEchoTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(
        const char *context, const char *sourceText, const char * = nullptr, int = -1) const override
    {
        return QLatin1String(context) + QLatin1Char(':') + QString::fromUtf8(sourceText);
    }
};

// Fetches a named child of the form, failing the test when the form does not have it.
template<typename T>
T *formChild(QWidget *dialog, const char *name)
{
    T *child = dialog->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("form has no child %s", name);
    return child;
}
