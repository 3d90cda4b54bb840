// What ended a run over a port, as a value: the dialog, tessaroctl and scripts reading its exit
// status agree on it. The texts are the words every message about it is built around.
#pragma once

#include <string>

enum class RunError {
    None,
    PortOpen,        // the port could not be opened
    PortLost,        // the port went away, or a write to it failed
    NotReopened,     // the port was not reopened at the reader's new framing
    NoReply,         // a read was not answered
    IncompleteReply, // a read was answered in part
    BadReply,        // the parameter reply ended at another length
    Refused,         // the profile cannot be applied to this reader; nothing was sent
    NotAnswered,     // settings' commands went unanswered and the reader does not show them
    DidNotTake,      // the reader does not hold a value after it was applied
    Differs,         // compared: the reader does not hold the profile's value
    Stopped,         // a stop request ended the run, and no setting failed
};

// The words for it: "the port was lost", "no reply", "did not take" ...; empty for None and
// Refused (a refusal is said by the profile's own reason).
std::string RunErrorText(RunError error);

// tessaroctl's exit codes, which scripts and the Ansible collection depend on.
enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_PORT = 2,
    EXIT_NO_REPLY = 3,
    EXIT_MISMATCH = 4,
    EXIT_REFUSED = 5,
    EXIT_FILE = 6, // a file named with --out or --trace cannot be written
};
// A stop is told by the signal (128 + it) where there was one; what was not sent is
// unconfirmed, as a missing reply is.
ExitCode RunErrorExitCode(RunError error);
