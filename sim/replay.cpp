// Replay: with `replay FILE` in the device file at AvDllInitialize, every
// call is answered from that recording, in order, with the recorded status
// and the recorded buffers; nothing is simulated and no pause is made.
//
// A call that differs from the one the recording holds next (another entry
// point, other arguments, other request bytes) is a divergence: it and every
// call after it get StatusDiverged, and the trace says where.
//
// Two calls are not in any order a program fixes, and are let through:
// - A discovery pass repeated. How many passes a program makes while a
//   person reads a screen depends on time (the window lists ten times a
//   second), so a listing that the recording does not hold next replays the
//   last pass recorded before that point, and the recording goes on where it
//   was once the program makes the call it holds there.
// - AvDllInitialize in a recording that begins later (the window records
//   from the next device session) is answered 0.
//
// Handles are numbered in a recording (device/call_recording.h); a replay
// hands out handle number N as the value kReplayHandleBase + N.
#include <cstdio>
#include <cstring>

#include "sim/sim_internal.h"

namespace sim {
namespace {

constexpr uintptr_t kReplayHandleBase = 0x7A000;
constexpr int64_t kMostReplayHandles = 1 << 24;

int64_t HandleNumber(const void* value) {
    if (value == nullptr) return 0;
    const uintptr_t v = reinterpret_cast<uintptr_t>(value);
    if (v <= kReplayHandleBase || v - kReplayHandleBase > static_cast<uintptr_t>(kMostReplayHandles)) return -1;
    return static_cast<int64_t>(v - kReplayHandleBase);
}

DeviceHandle HandleValue(int64_t number) {
    if (number <= 0 || number > kMostReplayHandles) return nullptr;
    return reinterpret_cast<DeviceHandle>(kReplayHandleBase + static_cast<uintptr_t>(number));
}

bool IsInput(ArgKind kind) {
    return kind == ArgNumber || kind == ArgHandle || kind == ArgBytesIn || kind == ArgHandleInOut;
}

// The handle an argument passes: by value, or behind its address.
const void* PassedHandle(const ArgLayout& arg, const CallArg& value) {
    if (arg.kind == ArgHandle || value.pointer == nullptr) return value.pointer;
    return *static_cast<DeviceHandle*>(value.pointer);
}

bool SameInput(const Recording& recording, int entry, int i, const RecordedValue& want, const CallArg* args) {
    const ArgLayout& arg = kEntryLayouts[entry].args[i];
    if (!want.present) return true;
    switch (arg.kind) {
        case ArgNumber:
            return !want.null && want.number == args[i].number;
        case ArgHandle:
        case ArgHandleInOut:
            return want.null ? args[i].pointer == nullptr : want.number == HandleNumber(PassedHandle(arg, args[i]));
        case ArgBytesIn:
            if (want.null || args[i].pointer == nullptr) return want.null && args[i].pointer == nullptr;
            return ArgBytes(entry, i, args) == want.length &&
                   std::memcmp(args[i].pointer, RecordedBytes(recording, want), static_cast<size_t>(want.length)) == 0;
        default:
            return true;
    }
}

bool Matches(const Recording& recording, size_t at, int entry, const CallArg* args) {
    if (at >= recording.calls.size()) return false;
    const RecordedCall& call = recording.calls[at];
    if (call.entry != entry) return false;
    for (int i = 0; i < kEntryLayouts[entry].argCount; ++i) {
        if (!SameInput(recording, entry, i, call.in[i], args)) return false;
    }
    return true;
}

// Fills the caller's outputs from the recorded call, never past either's size.
int32_t Answer(const Recording& recording, const RecordedCall& call, const CallArg* args) {
    const EntryLayout& layout = kEntryLayouts[call.entry];
    for (int i = 0; i < layout.argCount; ++i) {
        const RecordedValue& value = call.out[i];
        void* p = args[i].pointer;
        if (!value.present || value.null || p == nullptr) continue;
        switch (layout.args[i].kind) {
            case ArgIntOut:
                *static_cast<int32_t*>(p) = static_cast<int32_t>(value.number);
                break;
            case ArgWordOut:
                *static_cast<uint32_t*>(p) = static_cast<uint32_t>(value.number);
                break;
            case ArgHandleOut:
            case ArgHandleInOut:
                *static_cast<DeviceHandle*>(p) = HandleValue(value.number);
                break;
            case ArgBytesOut: {
                const int32_t room = ArgBytes(call.entry, i, args);
                const int32_t count = value.length < room ? value.length : room;
                if (count > 0) std::memcpy(p, RecordedBytes(recording, value), static_cast<size_t>(count));
                break;
            }
            default:
                break;
        }
    }
    return call.status;
}

// The index of the last listing before `before`, or -1.
int64_t LastListingBefore(const Recording& recording, int64_t before) {
    for (int64_t i = before - 1; i >= 0; --i) {
        if (recording.calls[static_cast<size_t>(i)].entry == Index_AvDllListDevices) return i;
    }
    return -1;
}

// Where in the recording the call goes: its index, or -1 for a divergence,
// or -2 for a call answered 0 without the recording.
int64_t Place(ReplayState& replay, int entry, const CallArg* args) {
    const Recording& recording = replay.recording;
    if (Matches(recording, replay.next, entry, args)) {
        if (static_cast<int64_t>(replay.next) == replay.resume) replay.resume = -1;  // back where it was
        return static_cast<int64_t>(replay.next);
    }
    if (replay.resume >= 0 && Matches(recording, static_cast<size_t>(replay.resume), entry, args)) {
        replay.next = static_cast<size_t>(replay.resume);
        replay.resume = -1;
        return static_cast<int64_t>(replay.next);
    }
    if (entry == Index_AvDllListDevices) {
        const int64_t from = replay.resume >= 0 ? replay.resume : static_cast<int64_t>(replay.next);
        const int64_t pass = LastListingBefore(recording, from);
        if (pass >= 0 && Matches(recording, static_cast<size_t>(pass), entry, args)) {
            replay.resume = from;
            replay.next = static_cast<size_t>(pass);
            return pass;
        }
    }
    if (entry == Index_AvDllInitialize) return -2;
    return -1;
}

// "RemotePeek handle=1 space=0 ...": a call as the divergence names it,
// handles by their number.
void DescribeActual(TraceLine& line, int entry, const CallArg* args) {
    const EntryLayout& layout = kEntryLayouts[entry];
    TraceBegin(line, layout.name);
    for (int i = 0; i < layout.argCount; ++i) {
        const ArgLayout& arg = layout.args[i];
        if (!IsInput(arg.kind)) continue;
        if (arg.kind == ArgNumber) {
            TraceInt(line, arg.name, args[i].number);
        } else if (arg.kind == ArgBytesIn) {
            TraceBytes(line, arg.name, args[i].pointer, static_cast<size_t>(ArgBytes(entry, i, args)));
        } else {
            TraceInt(line, arg.name, HandleNumber(PassedHandle(arg, args[i])));
        }
    }
}

void DescribeRecorded(TraceLine& line, const Recording& recording, size_t at) {
    if (at >= recording.calls.size()) {
        TraceBegin(line, "the end of the recording");
        return;
    }
    const RecordedCall& call = recording.calls[at];
    const EntryLayout& layout = kEntryLayouts[call.entry];
    TraceBegin(line, layout.name);
    for (int i = 0; i < layout.argCount; ++i) {
        const RecordedValue& value = call.in[i];
        if (!value.present || !IsInput(layout.args[i].kind)) continue;
        if (value.null) {
            TraceBytes(line, layout.args[i].name, nullptr, 0);
        } else if (value.length >= 0) {
            TraceBytes(line, layout.args[i].name, RecordedBytes(recording, value), static_cast<size_t>(value.length));
        } else {
            TraceInt(line, layout.args[i].name, value.number);
        }
    }
}

void Diverge(Simulator& sim, size_t at, int entry, const CallArg* args) {
    ReplayState& replay = sim.replay;
    replay.diverged = true;
    TraceLine expected;
    TraceLine got;
    DescribeRecorded(expected, replay.recording, at);
    DescribeActual(got, entry, args);
    char text[2200];
    std::snprintf(text, sizeof text, "replay diverged at call %llu: expected %s, got %s",
                  static_cast<unsigned long long>(at + 1), expected.text, got.text);
    TraceNote(sim, text);
}

// The trace line of a replayed call: its arguments, handles as the values
// handed out, and what it answered.
void TraceReplayed(Simulator& sim, int entry, const CallArg* args, int32_t status) {
    const EntryLayout& layout = kEntryLayouts[entry];
    TraceLine line;
    TraceBegin(line, layout.name);
    for (int i = 0; i < layout.argCount; ++i) {
        const ArgLayout& arg = layout.args[i];
        void* p = args[i].pointer;
        if (arg.kind == ArgNumber) {
            TraceInt(line, arg.name, args[i].number);
        } else if (arg.kind == ArgHandle) {
            TraceHex(line, arg.name, reinterpret_cast<uintptr_t>(p));
        } else if (arg.kind == ArgBytesIn || arg.kind == ArgBytesOut) {
            TraceBytes(line, arg.name, p, static_cast<size_t>(ArgBytes(entry, i, args)));
        } else if (p == nullptr) {
            TraceBytes(line, arg.name, nullptr, 0);
        } else if (arg.kind == ArgIntOut) {
            TraceInt(line, arg.name, *static_cast<int32_t*>(p));
        } else if (arg.kind == ArgWordOut) {
            TraceInt(line, arg.name, *static_cast<uint32_t*>(p));
        } else {
            TraceHex(line, arg.name, reinterpret_cast<uintptr_t>(*static_cast<DeviceHandle*>(p)));
        }
    }
    TraceEnd(sim, line, status, entry != Index_commandSendAndGetResponse);
}

// At AvDllInitialize: reads the device file and, when it names a recording,
// starts its replay. A recording that cannot be read fails every call.
void StartReplayIfAsked(Simulator& sim) {
    RefreshDevices(sim);
    if (sim.file.replayPath[0] == '\0') return;
    ReplayState& replay = sim.replay;
    replay = ReplayState{};
    replay.active = true;
    char problem[512];
    if (!ReadRecording(sim.file.replayPath, replay.recording, problem, sizeof problem)) {
        replay.diverged = true;
        char text[700];
        std::snprintf(text, sizeof text, "replay cannot start: %s", problem);
        TraceNote(sim, text);
    }
}

}  // namespace

bool Replayed(int entry, const CallArg* args, int32_t& status) {
    Simulator& sim = Sim();
    std::lock_guard<std::mutex> guard(sim.lock);
    if (entry == Index_AvDllInitialize && !sim.replay.active) StartReplayIfAsked(sim);
    ReplayState& replay = sim.replay;
    if (!replay.active) return false;
    ++sim.callCounts[entry];
    status = StatusDiverged;
    if (!replay.diverged) {
        const int64_t at = Place(replay, entry, args);
        if (at == -2) {
            status = 0;
        } else if (at < 0) {
            Diverge(sim, replay.next, entry, args);
        } else {
            status = Answer(replay.recording, replay.recording.calls[static_cast<size_t>(at)], args);
            replay.next = static_cast<size_t>(at) + 1;
        }
    }
    TraceReplayed(sim, entry, args, status);
    if (entry == Index_AvDllShutdown) {
        replay.active = false;
        CloseTrace(sim);
        CloseStamps(sim);
    }
    return true;
}

// The library's entry points: the replay's answer, or the simulated one.
#define SIM_ENTRY(name, params, args)                                     \
    int32_t name params {                                                 \
        const auto packed = PackCallArgs args;                            \
        int32_t status = 0;                                               \
        if (Replayed(Index_##name, packed.data(), status)) return status; \
        return simulated::name args;                                      \
    }
DEVICE_LIBRARY_ENTRY_POINTS(SIM_ENTRY)
#undef SIM_ENTRY

}  // namespace sim
