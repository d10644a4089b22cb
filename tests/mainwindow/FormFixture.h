#pragma once
// What the main window's suites share: the form under test and a scratch
// directory, lookups of its controls by name, small file helpers, and the
// set-up before the first test and the check after every one.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "mainwindow/Form1.h"
#include "tests/support/TempDir.h"

// Qt Test runs the initTestCase() and cleanup() below for each suite derived
// from it; the suites keep their own init(), which opens the form as they need.
class FormFixture : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<qzmainwindow::Form1> form;
    std::unique_ptr<qz::TempDir> dir;  // made by the suites that use one

    // A new form whose modal windows all answer from their queues, not yet
    // shown.
    void openForm();
    // Shows the form, asking for activation first if activate, and waits
    // until it is the active window.
    void showForm(bool activate = false);

    // The form's control called name, as a T; a missing one ends the run.
    template <typename T = QWidget>
    T* control(const char* name) {
        T* w = form->findChild<T*>(QLatin1String(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QString text(const char* name);   // the text of the line edit called name
    QString label(const char* name);  // the caption of the label called name

    // How a drop went, as the platform would see it: whether the window took
    // the drag as it came in and moved, whether it took the drop, and how.
    struct Sent {
        bool entered = false, dropped = false;
        Qt::DropAction action = Qt::IgnoreAction;
    };

    // Drags urls over target and drops them there, offering copy and move
    // as a file manager does, with the paths as text beside the URLs; Shift
    // held, the move is what it proposes. As on the platform, a move follows
    // the enter with its answer, and the drop comes only when the window took
    // the move.
    Sent sendDrop(QWidget* target, const QList<QUrl>& urls);

    // Where name is in the scratch directory.
    QString path(const std::string& name);
    // A file of size pattern bytes in the scratch directory; its path.
    std::string makeSource(const std::string& name, std::int64_t size);
    // The same, with the path as a QString.
    QString makeFile(const std::string& name, std::int64_t size = 1000);

    // Clicks the merge option as the user does.
    void selectMerge();
    // Runs step every time the operation pumps events, until it returns true.
    void duringOperation(std::function<bool()> step);
    // For the few tests that must drive a real modal window: once the next
    // step has opened a modal window of type T, act runs on it from inside
    // its event loop; a window still up after act is closed unanswered.
    template <typename T>
    void whenModalOpens(std::function<void(T&)> act) {
        QTimer::singleShot(0, [act] {
            auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!modal) return;
            act(*modal);
            if (modal->isVisible()) modal->reject();
        });
    }
    // The texts of the message boxes shown so far, in order.
    QStringList messages();

private slots:
    void initTestCase();  // the application set up as the program does it
    void cleanup();       // the form and scratch directory gone, no window left
};
