// The call recorder's table and its lines. A line is built in a fixed
// buffer with hand-made hex, so a packet costs a few microseconds.
#include "device/call_recording.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "device/call_layout.h"
#include "platform/system.h"

namespace {

constexpr int kLiveHandles = 32;
// Arguments and buffers of the largest call, in hex, with room to spare.
constexpr size_t kLineChars = 4 * kMaxRecordedBytes + 1024;

struct LiveHandle {
    DeviceHandle value = nullptr;
    int32_t number = 0;  // 0: the slot is free
};

struct Recording {
    std::mutex lock;
    std::FILE* out = nullptr;
    System* system = nullptr;
    DeviceLibrary bound;
    bool started = false;
    uint64_t firstMicros = 0;
    int64_t calls = 0;
    int32_t handedOut = 0;
    LiveHandle live[kLiveHandles];
    char path[kPathChars] = {};
};

Recording& TheRecording() {
    static Recording recording;
    return recording;
}

struct Line {
    char text[kLineChars];
    size_t used = 0;
};

void Put(Line& line, const char* text) {
    const size_t length = std::strlen(text);
    if (line.used + length >= sizeof line.text) return;
    std::memcpy(line.text + line.used, text, length);
    line.used += length;
}

void PutNumber(Line& line, int64_t value) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%" PRId64, value);
    Put(line, digits);
}

void PutHex(Line& line, const void* bytes, int32_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (line.used + 2 * static_cast<size_t>(count) + 2 >= sizeof line.text) return;
    line.text[line.used++] = '"';
    for (int32_t i = 0; i < count; ++i) {
        line.text[line.used++] = kDigits[p[i] >> 4];
        line.text[line.used++] = kDigits[p[i] & 15];
    }
    line.text[line.used++] = '"';
}

int32_t NumberOf(Recording& r, DeviceHandle value) {
    if (value == nullptr) return 0;
    for (const LiveHandle& handle : r.live) {
        if (handle.number != 0 && handle.value == value) return handle.number;
    }
    return -1;
}

void Forget(Recording& r, DeviceHandle value) {
    for (LiveHandle& handle : r.live) {
        if (handle.value == value) handle = LiveHandle{};
    }
}

// A handle the library handed out gets the next number; a full table gives
// up its oldest handle.
int32_t HandOut(Recording& r, DeviceHandle value) {
    if (value == nullptr) return 0;
    Forget(r, value);
    LiveHandle* slot = &r.live[0];
    for (LiveHandle& handle : r.live) {
        if (handle.number < slot->number) slot = &handle;
    }
    *slot = LiveHandle{value, ++r.handedOut};
    return slot->number;
}

bool IsOutput(ArgKind kind) {
    return kind == ArgBytesOut || kind == ArgIntOut || kind == ArgWordOut || kind == ArgHandleOut ||
           kind == ArgHandleInOut;
}

void PutName(Line& line, bool& first, const char* name) {
    Put(line, first ? "\"" : ",\"");
    Put(line, name);
    Put(line, "\":");
    first = false;
}

// The arguments the library reads, before the call.
void PutInputs(Recording& r, Line& line, int entry, const CallArg* args) {
    const EntryLayout& layout = kEntryLayouts[entry];
    bool first = true;
    Put(line, ",\"in\":{");
    for (int i = 0; i < layout.argCount; ++i) {
        const ArgLayout& arg = layout.args[i];
        if (IsOutput(arg.kind) && arg.kind != ArgHandleInOut) continue;
        PutName(line, first, arg.name);
        if (arg.kind == ArgNumber) {
            PutNumber(line, args[i].number);
        } else if (arg.kind == ArgHandle) {
            PutNumber(line, NumberOf(r, args[i].pointer));
        } else if (arg.kind == ArgHandleInOut) {
            PutNumber(line, args[i].pointer == nullptr ? 0 : NumberOf(r, *static_cast<DeviceHandle*>(args[i].pointer)));
        } else if (args[i].pointer == nullptr) {
            Put(line, "null");
        } else {
            PutHex(line, args[i].pointer, ArgBytes(entry, i, args));
        }
    }
    Put(line, "}");
}

// What the library filled, after the call that returned `status`. `before`
// is an in-out handle's value before the call.
void PutOutputs(Recording& r, Line& line, int entry, const CallArg* args, int32_t status, DeviceHandle before) {
    const EntryLayout& layout = kEntryLayouts[entry];
    bool first = true;
    Put(line, ",\"out\":{");
    for (int i = 0; i < layout.argCount; ++i) {
        const ArgLayout& arg = layout.args[i];
        if (!IsOutput(arg.kind)) continue;
        PutName(line, first, arg.name);
        void* p = args[i].pointer;
        if (p == nullptr) {
            Put(line, "null");
        } else if (arg.kind == ArgIntOut) {
            PutNumber(line, *static_cast<int32_t*>(p));
        } else if (arg.kind == ArgWordOut) {
            PutNumber(line, *static_cast<uint32_t*>(p));
        } else if (arg.kind == ArgBytesOut) {
            PutHex(line, p, FilledBytes(entry, i, args, status));
        } else {
            const DeviceHandle after = *static_cast<DeviceHandle*>(p);
            if (arg.kind == ArgHandleInOut && after == before) {
                PutNumber(line, NumberOf(r, after));
            } else {
                if (arg.kind == ArgHandleInOut) Forget(r, before);
                PutNumber(line, HandOut(r, after));
            }
        }
    }
    Put(line, "}");
}

struct CallTimes {
    uint64_t began;
    uint64_t took;
};

// Writes one call; the library has answered it.
void WriteCall(Recording& r, int entry, const CallArg* args, Line& line, DeviceHandle before, int32_t status,
               const CallTimes& times) {
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.out == nullptr) return;
    if (!r.started) {
        r.started = true;
        r.firstMicros = times.began;
    }
    if (entry == Index_AvDllCloseHandle && status == 0) Forget(r, args[0].pointer);
    PutOutputs(r, line, entry, args, status, before);
    Put(line, ",\"status\":");
    PutNumber(line, status);
    Put(line, ",\"us\":");
    PutNumber(line, static_cast<int64_t>(times.began - r.firstMicros));
    Put(line, ",\"took\":");
    PutNumber(line, static_cast<int64_t>(times.took));
    Put(line, "}\n");
    std::fwrite(line.text, 1, line.used, r.out);
    std::fflush(r.out);
}

// Records one call around `forward`, which makes it.
template <typename Forward>
int32_t RecordCall(int entry, const CallArg* args, Forward forward) {
    Recording& r = TheRecording();
    Line line;
    DeviceHandle before = nullptr;
    System* system = nullptr;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        system = r.out != nullptr ? r.system : nullptr;
        if (system != nullptr) {
            Put(line, "{\"n\":");
            PutNumber(line, ++r.calls);
            Put(line, ",\"call\":\"");
            Put(line, kEntryLayouts[entry].name);
            Put(line, "\"");
            PutInputs(r, line, entry, args);
        }
    }
    if (system == nullptr) return forward();
    if (entry == Index_SerialMemEnterFlashMode && args[0].pointer != nullptr) {
        before = *static_cast<DeviceHandle*>(args[0].pointer);
    }
    const uint64_t began = system->MonotonicMicros();
    const int32_t status = forward();
    const CallTimes times{began, system->MonotonicMicros() - began};
    WriteCall(r, entry, args, line, before, status, times);
    return status;
}

#define RECORDED_ENTRY(name, params, args)                                                              \
    int32_t Recorded_##name params {                                                                    \
        const auto packed = PackCallArgs args;                                                          \
        return RecordCall(Index_##name, packed.data(), [&] { return TheRecording().bound.name args; }); \
    }
DEVICE_LIBRARY_ENTRY_POINTS(RECORDED_ENTRY)
#undef RECORDED_ENTRY

}  // namespace

bool BeginCallRecording(System& system, const char* path, const char* header) {
    Recording& r = TheRecording();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.out != nullptr) return false;
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    if (std::fprintf(out, "%s\n", header) < 0 || std::fflush(out) != 0) {
        std::fclose(out);
        return false;
    }
    r.out = out;
    std::snprintf(r.path, sizeof r.path, "%s", path);
    r.system = &system;
    r.started = false;
    r.calls = 0;
    r.handedOut = 0;
    for (LiveHandle& handle : r.live) handle = LiveHandle{};
    return true;
}

bool CallRecordingOpen() {
    Recording& r = TheRecording();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.out != nullptr;
}

bool CallRecordingPath(char* out, size_t size) {
    Recording& r = TheRecording();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.path[0] == '\0' || size == 0) return false;
    std::snprintf(out, size, "%s", r.path);
    return true;
}

DeviceLibrary RecordCalls(const DeviceLibrary& bound) {
    Recording& r = TheRecording();
    {
        std::lock_guard<std::mutex> guard(r.lock);
        r.bound = bound;
    }
    DeviceLibrary table;
#define RECORDED_FILL(name, params, args) table.name = &Recorded_##name;
    DEVICE_LIBRARY_ENTRY_POINTS(RECORDED_FILL)
#undef RECORDED_FILL
    return table;
}

void EndCallRecording() {
    Recording& r = TheRecording();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.out != nullptr) std::fclose(r.out);
    r.out = nullptr;
    r.system = nullptr;
}
