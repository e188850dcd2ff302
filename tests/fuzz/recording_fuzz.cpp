// Arbitrary text as a recording, as the simulator's replay and the
// comparison read one sent from outside: nothing may be read or written past
// the text, and every buffer a recording accepted lies inside its byte store
// and within the size its call passes.
#include <cstdint>
#include <cstdlib>

#include "device/recorded_calls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Recording recording;
    char problem[256];
    if (!ParseRecording(reinterpret_cast<const char*>(data), size, recording, problem, sizeof problem)) return 0;
    for (const RecordedCall& call : recording.calls) {
        if (call.entry < 0 || call.entry >= kDeviceLibraryEntryCount) std::abort();
        const EntryLayout& layout = kEntryLayouts[call.entry];
        for (int i = 0; i < kMaxEntryArgs; ++i) {
            for (const RecordedValue* value : {&call.in[i], &call.out[i]}) {
                if (value->length < 0) continue;
                if (i >= layout.argCount || value->length > layout.args[i].maxBytes) std::abort();
                if (value->offset + static_cast<size_t>(value->length) > recording.bytes.size()) std::abort();
            }
        }
    }
    return 0;
}
