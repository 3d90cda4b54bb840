// Waiting inside a Qt bench program for something the event loop brings about.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

// Runs the event loop, blocking as the program's own loop does, until done() holds or timeoutMs
// passes; false on time-out. A short timer wakes it to look at the condition.
template <class Done> bool RunUntil(Done done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    QTimer look;
    look.start(2);
    while (!done()) {
        if (t.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
