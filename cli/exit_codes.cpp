// The exit codes' names, their table for --help, and the code for a run.
#include "cli/exit_codes.h"

#include <cstdio>

#include "update/run_outcome.h"

const char* ExitCodeName(CliExitCode code) {
    switch (code) {
#define CLI_EXIT_CODE_NAME(id, number, name, meaning) \
    case id:                                           \
        return name;
        CLI_EXIT_CODES(CLI_EXIT_CODE_NAME)
#undef CLI_EXIT_CODE_NAME
    }
    return "unknown";
}

const char* ExitCodeTable() {
    static char table[2048];
    if (table[0] != '\0') return table;
    size_t length = static_cast<size_t>(std::snprintf(table, sizeof table, "Exit codes:\n"));
#define CLI_EXIT_CODE_LINE(id, number, name, meaning)                                                 \
    if (length < sizeof table) {                                                                        \
        length += static_cast<size_t>(std::snprintf(table + length, sizeof table - length, "  %3d  %-16s %s\n", \
                                                    number, name, meaning));                            \
    }
    CLI_EXIT_CODES(CLI_EXIT_CODE_LINE)
#undef CLI_EXIT_CODE_LINE
    return table;
}

CliExitCode ExitCodeForOutcome(const RunOutcome& outcome) {
    if (outcome.screenMode == ScreenPassed && outcome.cause == CauseNone) return ExitSuccess;
    switch (outcome.cause) {
        case CauseNoDevice:
        case CauseDeviceChanged:
            return ExitNoDevice;
        case CauseSeveralDevices:
            return ExitSeveralDevices;
        case CauseDeviceBusy:
            return ExitDeviceBusy;
        case CauseFileDoesNotFit:
        case CauseFileUnreadable:
        case CauseFileEmpty:
        case CauseFileTooLarge:
        case CauseFileLoneCr:
        case CauseFileLineTooLong:
        case CauseFileNoNumber:
        case CauseDigestMismatch:
        case CauseDigestUnreadable:
        case CauseNotMakersFile:
        case CauseBelowFloor:
        case CauseNotSigned:
            return ExitFileRefused;
        case CauseMismatch:
        case CauseIdentityMismatch:
            return ExitVerifyMismatch;
        case CauseInterrupted:
            return ExitInterrupted;
        default:
            return ExitRunFailed;
    }
}
