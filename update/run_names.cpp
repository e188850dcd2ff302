// One table of stage names and one of cause names, in the enums' order.
#include "update/run_names.h"

namespace {

constexpr const char* kStageNames[] = {"not_started", "connect", "rom_mode", "program", "verify", "reset",
                                       "finished"};
static_assert(sizeof kStageNames / sizeof kStageNames[0] == StageFinished + 1);

constexpr const char* kCauseNames[] = {
    "none",         "no_working_folder", "no_device",       "several_devices",   "device_changed",
    "device_busy",  "file_does_not_fit", "file_unreadable", "file_empty",        "file_too_large",
    "file_lone_cr", "file_line_too_long", "file_no_number", "digest_mismatch",   "digest_unreadable",
    "no_memory",    "no_answer",         "mismatch",        "identity_mismatch", "reset_failed",
    "interrupted",  "not_makers_file",   "below_floor",     "not_signed",
};
static_assert(sizeof kCauseNames / sizeof kCauseNames[0] == CauseNotSigned + 1);

}  // namespace

const char* RunStageName(RunStage stage) {
    return stage >= StageNotStarted && stage <= StageFinished ? kStageNames[stage] : "unknown";
}

const char* RunCauseName(RunCause cause) {
    return cause >= CauseNone && cause <= CauseNotSigned ? kCauseNames[cause] : "unknown";
}

void RespellRunName(char* name) {
    for (char* at = name; *at != '\0'; ++at) {
        if (*at == '-') *at = '_';
    }
}
