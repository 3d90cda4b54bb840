// Kept apart: the kernel's termios2, which carries any speed, cannot share a file with
// <termios.h>.
#include "sim/PeerFraming.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

std::optional<sim::SerialFraming> PeerFraming(int fd) {
    struct termios2 t {};
    if (fd < 0 || ::ioctl(fd, TCGETS2, &t) != 0) {
        return std::nullopt;
    }
    sim::SerialFraming framing;
    framing.baud = static_cast<std::int32_t>(t.c_ospeed);
    switch (t.c_cflag & CSIZE) {
    case CS5:
        framing.dataBits = 5;
        break;
    case CS6:
        framing.dataBits = 6;
        break;
    case CS7:
        framing.dataBits = 7;
        break;
    default:
        framing.dataBits = 8;
        break;
    }
    framing.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    // The reader's parity numbers: 0 even, 1 odd, 2 none.
    framing.parity = (t.c_cflag & PARENB) == 0 ? 2 : (t.c_cflag & PARODD) != 0 ? 1 : 0;
    return framing;
}
