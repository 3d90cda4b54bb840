#include "profile/RunError.h"

std::string RunErrorText(RunError error) {
    switch (error) {
    case RunError::None:
    case RunError::Refused:
        break;
    case RunError::PortOpen:
        return "cannot open";
    case RunError::PortLost:
        return "the port was lost";
    case RunError::NotReopened:
        return "the port was not reopened";
    case RunError::NoReply:
        return "no reply";
    case RunError::IncompleteReply:
        return "an incomplete reply";
    case RunError::BadReply:
        return "the reply ended";
    case RunError::NotAnswered:
    case RunError::DidNotTake:
        return "did not take";
    case RunError::Differs:
        return "differs from the profile";
    case RunError::Stopped:
        return "stopped";
    }
    return {};
}

ExitCode RunErrorExitCode(RunError error) {
    switch (error) {
    case RunError::None:
        return EXIT_OK;
    case RunError::PortOpen:
    case RunError::PortLost:
        return EXIT_PORT;
    case RunError::NotReopened:
    case RunError::NoReply:
    case RunError::IncompleteReply:
    case RunError::BadReply:
    case RunError::NotAnswered:
    case RunError::Stopped:
        return EXIT_NO_REPLY;
    case RunError::DidNotTake:
    case RunError::Differs:
        return EXIT_MISMATCH;
    case RunError::Refused:
        return EXIT_REFUSED;
    }
    return EXIT_NO_REPLY;
}
