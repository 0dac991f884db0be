// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "enterkeyactivation.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>

void EnterKeyActivation::install(QWidget *window)
{
    window->installEventFilter(new EnterKeyActivation(window));
}

bool EnterKeyActivation::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // A key reaches the window only when its focused control has passed it on.
    QWidget *focus = static_cast<QWidget *>(watched)->focusWidget();
    if (!focus || !focus->isEnabled())
        return false;
    if (auto *button = qobject_cast<QAbstractButton *>(focus)) {
        button->animateClick();
        return true;
    }
    if (auto *list = qobject_cast<QComboBox *>(focus)) {
        list->showPopup();
        return true;
    }
    return false;
}
