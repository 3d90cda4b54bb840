// tessaroctl net: readers' network settings over the LAN, read from their announcements and set
// with the network set-up command, each change proved by hearing the reader again.
#pragma once

#include "cli/CtlCommands.h"

#include <QStringList>

#include <span>
#include <vector>

// arguments: what follows "net" on the command line. Returns the exit code.
int NetCommand(const QStringList& arguments);
// net's options, in the order its --help lists them, and its verbs.
const std::vector<OptionUse>& NetOptions();
std::span<const CtlVerb> NetVerbs();
