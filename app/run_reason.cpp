// From a run's outcome to the words of the user texts table.
#include "app/run_reason.h"

#include <cstring>

#include "app/user_texts.h"
#include "firmware/firmware_image.h"

namespace {

// The text for a library call that failed, by the stage it failed in.
TextId NoAnswerText(RunStage stage) {
    switch (stage) {
        case StageConnect: return TextReasonConnect;
        case StageRomMode: return TextReasonRomMode;
        case StageProgram: return TextReasonProgram;
        case StageVerify: return TextReasonVerify;
        case StageReset: return TextReasonReset;
        default: return TextReasonConnect;
    }
}

TextId ReasonText(const RunOutcome& outcome) {
    switch (outcome.cause) {
        case CauseNone: return TextReasonNone;
        case CauseNoWorkingFolder: return TextReasonNoWorkingFolder;
        case CauseNoDevice: return TextReasonNoDevice;
        case CauseSeveralDevices: return TextReasonSeveralDevices;
        case CauseDeviceChanged: return TextReasonDeviceChanged;
        case CauseDeviceBusy: return TextReasonDeviceBusy;
        case CauseFileDoesNotFit: return TextReasonFileDoesNotFit;
        case CauseFileUnreadable: return TextReasonFileUnreadable;
        case CauseFileEmpty: return TextReasonFileEmpty;
        case CauseFileTooLarge: return TextReasonFileTooLarge;
        case CauseFileLoneCr: return TextReasonFileLoneCr;
        case CauseFileLineTooLong: return TextReasonFileLineTooLong;
        case CauseFileNoNumber: return TextReasonFileNoNumber;
        case CauseDigestMismatch: return TextReasonDigestMismatch;
        case CauseDigestUnreadable: return TextReasonDigestUnreadable;
        case CauseNotMakersFile: return TextReasonNotMakersFile;
        case CauseBelowFloor: return TextReasonBelowFloor;
        case CauseNotSigned: return TextReasonNotSigned;
        case CauseNoMemory: return TextReasonNoMemory;
        case CauseNoAnswer: return NoAnswerText(outcome.stage);
        case CauseMismatch: return TextReasonMismatch;
        case CauseIdentityMismatch: return TextReasonIdentityMismatch;
        case CauseResetFailed: return TextReasonReset;
        case CauseInterrupted: return TextReasonInterrupted;
    }
    return TextReasonNone;
}

}  // namespace

void FormatRunReason(const RunOutcome& outcome, uint32_t kind, const char* fileName, char* out, size_t size) {
    TextArgs args;
    args.device = DeviceNoun(kind);
    args.file = fileName;
    args.page = outcome.page;
    args.pages = outcome.cause == CauseFileTooLarge ? kMaxImagePages : outcome.pageCount;
    args.status = outcome.status;
    args.line = outcome.line;
    args.detail = outcome.floor;
    FormatText(ReasonText(outcome), args, out, size);
}

size_t FormatCatalogueNote(CatalogueStatus status, char* out, size_t size) {
    const TextArgs args;
    switch (status) {
        case CatalogueUnsigned: return FormatText(TextCatalogueNoSignature, args, out, size);
        case CatalogueBadSignature: return FormatText(TextCatalogueBadSignature, args, out, size);
        case CatalogueMalformed: return FormatText(TextCatalogueMalformed, args, out, size);
        case CatalogueOlderThanSeen: return FormatText(TextCatalogueOlderThanSeen, args, out, size);
        case CatalogueAbsent:
        case CatalogueValid: break;
    }
    if (size > 0) out[0] = '\0';
    return 0;
}

void AppendCatalogueNote(CatalogueStatus status, char* reason, size_t size) {
    const size_t length = size > 0 ? std::strlen(reason) : size;
    if (length + 2 >= size) return;
    reason[length] = ' ';
    if (FormatCatalogueNote(status, reason + length + 1, size - length - 1) == 0) reason[length] = '\0';
}
