// reader-sim --strict-baud over its pseudo-terminal: it understands, and is heard, only at the
// speed and stop bits it holds (a pty carries no data bits nor parity), and follows a
// serial-parameters command as each kind of field reader does.
#include "tests/support/HexBytes.h"
#include "tests/support/SimProcess.h"

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The host's side of the line: speed and c_cflag framing bits.
struct HostFraming {
    const char* name;
    speed_t speed;
    tcflag_t bits;
};
const HostFraming AT_9600_8N1{"9600 8N1", B9600, CS8};
const HostFraming AT_19200_8N1{"19200 8N1", B19200, CS8};
const HostFraming AT_9600_8N2{"9600 8N2", B9600, CS8 | CSTOPB};

// 19200 baud, 8 data bits, 1 stop bit, no parity: checksum 0x8D by hand.
const char* const SET_19200_8N1 = "05 26 0C 8D 00 4B 00 00 08 01 02 00";
const char* const SET_OK = "05 27 06 49 0D 0A";
const char* const HORN_OPEN = "05 16 05 21 01";
const char* const HORN_OK = "05 17 06 39 0D 0A";

struct Exchange {
    HostFraming at;
    const char* frame;
    const char* reply; // "" for silence
};

QByteArray Bytes(const char* hex) {
    const auto bytes = HexBytes(hex);
    return {reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())};
}

} // namespace

Q_DECLARE_METATYPE(Exchange)

class SimStrictTest : public QObject {
    Q_OBJECT

    // Sets the framing, writes the frame and collects what comes back within a short while.
    static QByteArray Talk(int fd, const HostFraming& at, const QByteArray& frame, int expected) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        t.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD);
        t.c_cflag |= at.bits;
        ::cfsetspeed(&t, at.speed);
        ::tcsetattr(fd, TCSANOW, &t);
        [[maybe_unused]] const auto n = ::write(fd, frame.constData(), std::size_t(frame.size()));
        QByteArray got;
        // Silence is waited for a little; a reply arrives well within it.
        QDeadlineTimer deadline(expected > 0 ? 3000 : 400);
        while (!deadline.hasExpired() && (expected == 0 || got.size() < expected)) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char buf[256];
                const ssize_t r = ::read(fd, buf, sizeof buf);
                if (r > 0) {
                    got.append(buf, r);
                }
            }
        }
        return got;
    }

private slots:
    void answersOnlyAtItsFramingAndFollowsItsSerialParameters_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<Exchange>>("exchanges");
        QTest::newRow("holds 9600 8N1") << QStringList{}
                                        << QList<Exchange>{{AT_9600_8N1, HORN_OPEN, HORN_OK},
                                                           {AT_19200_8N1, HORN_OPEN, ""},
                                                           {AT_9600_8N2, HORN_OPEN, ""}};
        QTest::newRow("answers, then switches")
            << QStringList{}
            << QList<Exchange>{{AT_9600_8N1, SET_19200_8N1, SET_OK},
                               {AT_9600_8N1, HORN_OPEN, ""},
                               {AT_19200_8N1, HORN_OPEN, HORN_OK}};
        QTest::newRow("answers, does not switch")
            << QStringList{QStringLiteral("--serial-params-fault"),
                           QStringLiteral("answers-no-switch")}
            << QList<Exchange>{{AT_9600_8N1, SET_19200_8N1, SET_OK},
                               {AT_19200_8N1, HORN_OPEN, ""},
                               {AT_9600_8N1, HORN_OPEN, HORN_OK}};
        QTest::newRow("switches without answering")
            << QStringList{QStringLiteral("--serial-params-fault"),
                           QStringLiteral("switches-no-answer")}
            << QList<Exchange>{{AT_9600_8N1, SET_19200_8N1, ""},
                               {AT_19200_8N1, HORN_OPEN, HORN_OK}};
        QTest::newRow("ignores it")
            << QStringList{QStringLiteral("--serial-params-fault"), QStringLiteral("ignores")}
            << QList<Exchange>{{AT_9600_8N1, SET_19200_8N1, ""},
                               {AT_19200_8N1, HORN_OPEN, ""},
                               {AT_9600_8N1, HORN_OPEN, HORN_OK}};
        // The reply goes out at 19200 while the host still listens at 9600: lost.
        QTest::newRow("switches before the reply leaves")
            << QStringList{QStringLiteral("--serial-params-fault"),
                           QStringLiteral("switches-early")}
            << QList<Exchange>{{AT_9600_8N1, SET_19200_8N1, ""},
                               {AT_19200_8N1, HORN_OPEN, HORN_OK}};
        QTest::newRow("--baud is the speed it holds")
            << QStringList{QStringLiteral("--baud"), QStringLiteral("19200")}
            << QList<Exchange>{{AT_9600_8N1, HORN_OPEN, ""}, {AT_19200_8N1, HORN_OPEN, HORN_OK}};
    }

    void answersOnlyAtItsFramingAndFollowsItsSerialParameters() {
        QFETCH(QStringList, options);
        QFETCH(QList<Exchange>, exchanges);
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--strict-baud"), QStringLiteral("--listen"),
                                      QStringLiteral("127.0.0.1:0"), QStringLiteral("--target"),
                                      QStringLiteral("127.0.0.1:9")} +
                          options));
        const int fd = ::open(sim.Pty().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        for (const Exchange& e : exchanges) {
            const QByteArray expected = Bytes(e.reply);
            const QByteArray got = Talk(fd, e.at, Bytes(e.frame), int(expected.size()));
            QVERIFY2(got == expected,
                     qPrintable(QStringLiteral("%1 at %2: got %3")
                                    .arg(QLatin1String(e.frame), QLatin1String(e.at.name),
                                         QLatin1String(got.toHex(' ')))));
        }
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(SimStrictTest)
#include "sim_strict_test.moc"
