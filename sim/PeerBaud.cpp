// Kept apart: the kernel's termios2, which carries any speed, cannot share a file with
// <termios.h>.
#include "sim/PeerBaud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

int PeerBaud(int fd) {
    struct termios2 t {};
    if (fd < 0 || ::ioctl(fd, TCGETS2, &t) != 0) {
        return -1;
    }
    return static_cast<int>(t.c_ospeed);
}
