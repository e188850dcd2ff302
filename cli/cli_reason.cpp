// The command line's own words for the reasons that name a window button.
#include "cli/cli_reason.h"

#include "app/run_reason.h"
#include "app/user_texts.h"

namespace {

// TextCount when the window's reason serves the console as it stands.
TextId ConsoleText(const RunOutcome& outcome) {
    switch (outcome.cause) {
        case CauseNoDevice: return TextCliNoDevice;
        case CauseSeveralDevices: return TextCliSeveralDevices;
        case CauseDeviceBusy: return TextCliDeviceBusy;
        case CauseDeviceChanged: return TextCliDeviceChanged;
        case CauseFileDoesNotFit: return TextCliReasonFileDoesNotFit;
        case CauseFileUnreadable: return TextCliReasonFileUnreadable;
        case CauseNoMemory: return TextCliReasonNoMemory;
        case CauseNotSigned: return TextCliReasonNotSigned;
        case CauseNoAnswer:
            if (outcome.stage == StageConnect) return TextCliReasonConnect;
            if (outcome.stage == StageRomMode) return TextCliReasonRomMode;
            return TextCount;
        default: return TextCount;
    }
}

}  // namespace

void CliRunReason(const RunOutcome& outcome, uint32_t kind, const char* fileName, char* out, size_t size) {
    const TextId text = ConsoleText(outcome);
    if (text == TextCount) return FormatRunReason(outcome, kind, fileName, out, size);
    TextArgs args;
    args.device = DeviceNoun(kind);
    args.file = fileName;
    args.status = outcome.status;
    FormatText(text, args, out, size);
}
