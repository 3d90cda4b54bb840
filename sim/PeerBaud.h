// The speed set on a pseudo-terminal, as its master sees it: standard and custom speeds alike
// (256000, 14400). Linux only; -1 when it cannot be read.
#pragma once

int PeerBaud(int fd);
