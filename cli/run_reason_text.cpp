// Until the shared reason formatter lands: the reason texts by cause.
#include "cli/run_reason_text.h"

#include "app/user_texts.h"

size_t RunReasonText(const RunOutcome& outcome, uint32_t kind, const char* file, char* out, size_t size) {
    TextArgs args;
    args.device = DeviceNoun(kind);
    args.file = file;
    args.page = outcome.page;
    args.pages = outcome.pageCount;
    args.status = outcome.status;
    args.line = outcome.line;
    TextId id = TextReasonNone;
    switch (outcome.cause) {
        case CauseNoDevice: id = TextReasonNoDevice; break;
        case CauseSeveralDevices: id = TextReasonSeveralDevices; break;
        case CauseDeviceBusy: id = TextReasonDeviceBusy; break;
        case CauseFileDoesNotFit: id = TextReasonFileDoesNotFit; break;
        case CauseFileUnreadable: id = TextReasonFileUnreadable; break;
        case CauseMismatch: id = TextReasonMismatch; break;
        case CauseNoAnswer: id = outcome.stage == StageVerify ? TextReasonVerify : TextReasonProgram; break;
        default: break;
    }
    return FormatText(id, args, out, size);
}
