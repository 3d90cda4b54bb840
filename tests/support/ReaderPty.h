// The reader's end of a pseudo-terminal pair, for tests and benches that drive the dialog's
// serial channel (Linux: openpty). The dialog opens path(); the test reads and writes the master
// side.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

class ReaderPty {
public:
    ReaderPty() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            m_master = m_slave = -1;
            return;
        }
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_path = QString::fromLocal8Bit(name);
    }
    ~ReaderPty() {
        closeMaster();
        if (m_slave >= 0) {
            ::close(m_slave);
        }
    }
    ReaderPty(const ReaderPty&) = delete;
    ReaderPty& operator=(const ReaderPty&) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString path() const { return m_path; }
    // The line settings the opener of path() left on the terminal.
    termios lineSettings() const {
        termios t{};
        ::tcgetattr(m_slave, &t);
        return t;
    }

    // Writes everything, letting the dialog read meanwhile: a pty holds only a few KiB.
    void write(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
            } else {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
    }

    // Up to n bytes, waiting (with the event loop running) until they are there or time is up.
    QByteArray read(qsizetype n, int timeoutMs = 5000) {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < n && !deadline.hasExpired()) {
            char buf[512];
            const ssize_t r =
                ::read(m_master, buf, std::min<qsizetype>(sizeof buf, n - got.size()));
            if (r > 0) {
                got.append(buf, r);
                continue;
            }
            QCoreApplication::processEvents();
            pollfd p{m_master, POLLIN, 0};
            ::poll(&p, 1, 10);
        }
        return got;
    }

    // Everything the dialog has written so far, after the event loop has handed it over.
    QByteArray drain() {
        QByteArray got;
        for (int quiet = 0; quiet < 3;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            char buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, n);
                quiet = 0;
            } else {
                pollfd p{m_master, POLLIN, 0};
                ::poll(&p, 1, 5);
                ++quiet;
            }
        }
        return got;
    }

    // What is there now, without waiting or running the event loop (the benches time around it).
    QByteArray readAvailable() {
        QByteArray got;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(m_master, buf, sizeof buf)) > 0) {
            got.append(buf, n);
        }
        return got;
    }

    // The device goes away: its master side closes, as when an adapter is pulled.
    void closeMaster() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
