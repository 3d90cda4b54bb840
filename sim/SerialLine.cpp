#include "sim/SerialLine.h"

#include "sim/PeerFraming.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Replies the other side never reads are not kept forever.
constexpr qsizetype MAX_PENDING_BYTES = 64 * 1024;

speed_t SpeedConstant(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B9600;
    }
}

bool MakeRaw(int fd, int baud) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, SpeedConstant(baud));
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

CSerialLine::CSerialLine(QObject* parent) : QObject(parent) {}

CSerialLine::~CSerialLine() {
    delete m_readNotifier;
    delete m_writeNotifier;
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (m_slaveFd >= 0) {
        ::close(m_slaveFd);
    }
}

void CSerialLine::Fail(const QString& what) {
    m_error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool CSerialLine::OpenPty() {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        Fail(QStringLiteral("cannot create a pseudo-terminal"));
        return false;
    }
    // Raw from the start: with echo on, our replies would come straight back to us.
    if (!MakeRaw(slave, 9600) || !SetNonBlocking(master)) {
        Fail(QStringLiteral("cannot set up the pseudo-terminal"));
        ::close(master);
        ::close(slave);
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_fd = master;
    m_slaveFd = slave;
    m_path = QString::fromLocal8Bit(name);
    Watch();
    return true;
}

bool CSerialLine::OpenDevice(const QString& path, int baud) {
    const int fd =
        ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(QStringLiteral("cannot open ") + path);
        return false;
    }
    if (!MakeRaw(fd, baud)) {
        Fail(QStringLiteral("cannot set up ") + path);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    Watch();
    return true;
}

void CSerialLine::Watch() {
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &CSerialLine::OnReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &CSerialLine::OnWritable);
}

std::optional<sim::SerialFraming> CSerialLine::PeerFraming() const {
    return ::PeerFraming(m_fd);
}

void CSerialLine::OnReadable() {
    QByteArray received;
    char chunk[512];
    for (;;) {
        const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            received.append(chunk, n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            // The device went away: stop watching rather than spin on the error.
            m_readNotifier->setEnabled(false);
        }
        break;
    }
    if (!received.isEmpty()) {
        emit BytesReceived(received);
    }
}

void CSerialLine::Write(const QByteArray& bytes) {
    if (m_fd < 0) {
        return;
    }
    m_pending.append(bytes);
    if (m_pending.size() > MAX_PENDING_BYTES) {
        m_pending.remove(0, m_pending.size() - MAX_PENDING_BYTES);
    }
    OnWritable();
}

void CSerialLine::OnWritable() {
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_pending.constData(), std::size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_pending.clear(); // the line is gone; nobody will read these
        }
        break; // full for now: the notifier tells when to try again
    }
    m_writeNotifier->setEnabled(!m_pending.isEmpty());
}
