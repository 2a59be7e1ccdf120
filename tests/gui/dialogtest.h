// Driving the modal dialogs from a test: the dialog is opened through its
// entry point, exactly as the menu opens it, and the test acts on it from
// inside the dialog's own event loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

// Readable failure messages for texts shown in the dialogs.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

// A dialog the action leaves open is closed afterwards, so that a failing
// test cannot hang the run.
inline void whileOpen(void (*open)(QWidget*), const std::function<void(QDialog&)>& act)
{
    bool acted = false;
    QTimer::singleShot(0, [&] {
        acted = true;
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog.isNull()) {
            ADD_FAILURE() << "no dialog is open";
            return;
        }
        act(*dialog);
        if (!dialog.isNull() && dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->reject();
        }
    });
    open(nullptr);
    EXPECT_TRUE(acted);
}

// A control of the open dialog by its object name; a missing one ends the run
// at once, as every later step would only crash on it.
template <typename Control>
Control& control(QDialog& dialog, const char* name)
{
    Control* found = dialog.findChild<Control*>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("the dialog has no control named %s", name);
    return *found;
}
