// tessaroctl net: readers' network settings over the LAN, read from their announcements and set
// with the network set-up command, each change proved by hearing the reader again.
#pragma once

#include <QStringList>

// arguments: what follows "net" on the command line. Returns the exit code.
int NetCommand(const QStringList& arguments);
