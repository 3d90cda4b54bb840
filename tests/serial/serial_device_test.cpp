// Port names and port settings as the serial control hands them to QSerialPort.
#include "serial/Mscomm1.h"
#include "serial/SerialDevice.h"

#include <gtest/gtest.h>

#include "tests/support/ReaderPty.h"

namespace {

TEST(SerialDevicePath, ComNIsTheDeviceBelowIt) {
    const struct {
        const char* text;
        int number;
        const char* path; // empty: the text as it stands
    } rows[] = {
        {"com 1", 1, "/dev/ttyS0"}, {"COM15", 15, "/dev/ttyS14"}, {" com  3 ", 3, "/dev/ttyS2"},

        {"comx", -1, ""},           {"ttyUSB0", -1, ""},          {"/dev/pts/3", -1, "/dev/pts/3"},
    };
    for (const auto& row : rows) {
        const QString text = QString::fromLatin1(row.text);
        EXPECT_EQ(ComPortNumber(text), row.number) << row.text;
        EXPECT_EQ(SerialDevicePath(text).toStdString(), *row.path ? row.path : row.text)
            << row.text;
    }
}

// What OpenAt leaves on the line: the stop bits a pseudo-terminal takes, also after a reopen.
TEST(SerialControlOpenAt, StopBitsReachTheLine) {
    int argc = 0;
    QCoreApplication app(argc, nullptr); // the port's notifiers want one
    ReaderPty pty;
    ASSERT_TRUE(pty.isOpen());
    CMscomm1 comm;
    comm.put_PortName(pty.path());
    const struct {
        CommStopBits stop;
        bool twoStopBits;
    } rows[] = {{CommStopBits::Two, true}, {CommStopBits::One, false}, {CommStopBits::Two, true}};
    for (const auto& row : rows) {
        comm.put_PortOpen(false);
        comm.OpenAt({9600, CommParity::None, 8, row.stop});
        ASSERT_TRUE(comm.get_PortOpen());
        EXPECT_EQ((pty.lineSettings().c_cflag & CSTOPB) != 0, row.twoStopBits);
        EXPECT_EQ(comm.get_Settings().toStdString(), row.twoStopBits ? "9600,n,8,2" : "9600,n,8,1");
    }
    comm.put_PortOpen(false);
}

} // namespace
