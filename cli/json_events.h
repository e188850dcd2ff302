// The --json output: one JSON object per line, each with an "event" naming
// its type and one member of the same name holding its fields. The names
// are a contract with scripts: add fields, never rename or remove them.
//
//   {"event":"device","device":{"kind":"headset","product_id":"28F80106","model":"RX93","version":"1_0"}}
//   {"event":"file","file":{"name":"RX93_Headset_v1_2_ef.txt","label":"v.1_2","fits":true,"reason":"",
//                           "signed":true,"signature":"signed","released":"2026-12-01","notes":"..."}}
//   {"event":"catalogue","catalogue":{"status":"bad_signature","problem":"","message":"The catalogue ..."}}
//   {"event":"stage","stage":{"name":"program","line":"Programming the Device..."}}
//   {"event":"progress","progress":{"stage":"program","page":3,"pages":64,"percent":4}}
//   {"event":"history","history":{"time":"2026-01-02T03:04:05.000Z","program":"1.7.0","written_by":"cli",...}}
//   {"event":"result","result":{"command":"update","outcome":"passed","exit_code":0,"exit":"success",...}}
//
// Every command ends with exactly one result event. A file name that is not
// UTF-8 also comes as name_hex (file_hex in the result): its exact bytes.
#pragma once

#include <cstdint>

#include "cli/device_facts.h"
#include "cli/exit_codes.h"
#include "firmware/signed_catalogue.h"
#include "update/run_names.h"
#include "update/run_outcome.h"

struct Console;

void EmitDeviceEvent(Console& console, const DeviceFacts& device);
// `verdict`: what the signed catalogue says of the file ("signed", with its
// release date and notes when listed).
void EmitFileEvent(Console& console, const char* name, const char* label, bool fits, const char* reason,
                   const FileVerdict& verdict);
void EmitStageEvent(Console& console, const char* stage, const char* line);
void EmitProgressEvent(Console& console, const char* stage, int32_t page, int32_t pages, int32_t percent);

// What a command's result event carries; null pointers are left out.
struct ResultFacts {
    const char* command = "";
    const char* outcome = "";  // "passed", "failed", "mismatch", "refused", "interrupted", "listed"
    CliExitCode exitCode = ExitSuccess;
    const char* cause = "none";  // a stable name: RunCauseName(), or the command line's own
    const char* reason = "";     // the sentence a person reads
    const DeviceFacts* device = nullptr;
    const char* file = nullptr;
    const char* sha256 = nullptr;
    const char* versionBefore = nullptr;
    const char* versionAfter = nullptr;
    int64_t durationMs = -1;  // left out when negative
    int32_t count = -1;       // devices or files listed; left out when negative
};
void EmitResultEvent(Console& console, const ResultFacts& result);

// The stable name of a run's outcome; its cause is named by RunCauseName.
const char* OutcomeName(const RunOutcome& outcome);
