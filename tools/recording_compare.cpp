// The comparison: the recording's calls made again against the simulator.
#include "tools/recording_compare.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

#include "device/call_layout.h"
#include "sim/simulator.h"

namespace {

constexpr uint8_t kVersionRequestStart[7] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05};
constexpr int kReplyTextStart = 6;
constexpr int kReplyTextBytes = 18;

std::string Hex(const uint8_t* bytes, int32_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int32_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

uint32_t Word(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

struct SeenDevice {
    uint32_t productId = 0;
    int64_t kind = -1;
    std::string identity;
    std::string reply;
};

// What the recording tells of each device, from the calls that ask it.
void Observe(const Recording& recording, const RecordedCall& call, std::vector<SeenDevice>& devices,
             std::map<int64_t, size_t>& deviceOfHandle) {
    const RecordedValue* out = call.out;
    const RecordedValue* in = call.in;
    if (call.entry == Index_AvDllListDevices && devices.empty() && out[3].length >= 4) {
        for (int32_t i = 0; i < call.status && (i + 1) * 4 <= out[3].length; ++i) {
            devices.push_back(SeenDevice{Word(RecordedBytes(recording, out[3]) + 4 * i)});
        }
    } else if (call.entry == Index_AvDllOpenDevice && in[0].length == kDeviceQueryBytes && out[2].present) {
        const uint32_t product = Word(RecordedBytes(recording, in[0]) + 4);
        for (size_t i = 0; i < devices.size(); ++i) {
            if (devices[i].productId == product) deviceOfHandle[out[2].number] = i;
        }
    }
    const auto found = in[0].present ? deviceOfHandle.find(in[0].number) : deviceOfHandle.end();
    if (found == deviceOfHandle.end()) return;
    SeenDevice& device = devices[found->second];
    if (call.entry == Index_RemotePeek && call.status == 0 && out[4].length > 0) {
        const uint8_t* bytes = RecordedBytes(recording, out[4]);
        if (in[2].number == 0xF004 && device.kind < 0) device.kind = bytes[0];
        if ((in[2].number == 0xB112 || in[2].number == 0xC0D4) && device.identity.empty()) {
            device.identity = Hex(bytes, out[4].length);
        }
    } else if (call.entry == Index_commandSendAndGetResponse && in[1].length == kPacketBytes &&
               out[2].length == kPacketBytes && device.reply.empty() &&
               std::memcmp(RecordedBytes(recording, in[1]), kVersionRequestStart, sizeof kVersionRequestStart) == 0) {
        device.reply = Hex(RecordedBytes(recording, out[2]) + kReplyTextStart, kReplyTextBytes);
    }
}

// The simulator's side of one call: its arguments, built from the
// recording, and the buffers it fills.
struct SimCall {
    CallArg args[kMaxEntryArgs];
    uint8_t buffers[kMaxEntryArgs][kMaxRecordedBytes];
    DeviceHandle handles[kMaxEntryArgs];
    int32_t words[kMaxEntryArgs];
};

void BuildArgs(const Recording& recording, const RecordedCall& call, const std::map<int64_t, DeviceHandle>& handles,
               SimCall& sim) {
    const EntryLayout& layout = kEntryLayouts[call.entry];
    auto handle = [&](int64_t number) {
        const auto found = handles.find(number);
        return found != handles.end() ? found->second : nullptr;
    };
    for (int i = 0; i < layout.argCount; ++i) {
        const RecordedValue& in = call.in[i];
        CallArg& arg = sim.args[i];
        arg = CallArg{};
        switch (layout.args[i].kind) {
            case ArgNumber:
                arg.number = in.number;
                break;
            case ArgHandle:
                arg.pointer = handle(in.number);
                break;
            case ArgHandleInOut:
            case ArgHandleOut:
                sim.handles[i] = handle(in.number);
                arg.pointer = &sim.handles[i];
                break;
            case ArgIntOut:
            case ArgWordOut:
                sim.words[i] = 0;
                arg.pointer = &sim.words[i];
                break;
            case ArgBytesIn:
                std::memset(sim.buffers[i], 0, sizeof sim.buffers[i]);
                if (in.length > 0)
                    std::memcpy(sim.buffers[i], RecordedBytes(recording, in), static_cast<size_t>(in.length));
                arg.pointer = in.null ? nullptr : sim.buffers[i];
                break;
            case ArgBytesOut:
                std::memset(sim.buffers[i], 0, sizeof sim.buffers[i]);
                arg.pointer = call.out[i].null ? nullptr : sim.buffers[i];
                break;
        }
    }
}

int32_t Invoke(const DeviceLibrary& lib, int entry, const CallArg* args) {
    switch (entry) {
#define COMPARE_INVOKE(name, params, argNames) \
    case Index_##name:                         \
        return CallUnpacked(lib.name, args);
        DEVICE_LIBRARY_ENTRY_POINTS(COMPARE_INVOKE)
#undef COMPARE_INVOKE
    }
    return 0;
}

struct Comparison {
    const Recording& recording;
    CompareResult& result;
    std::map<int64_t, DeviceHandle> handles;  // recorded number -> the simulator's handle
};

void Say(Comparison& c, const RecordedCall& call, const std::string& what) {
    char head[96];
    std::snprintf(head, sizeof head, "call %lld %s: ", static_cast<long long>(call.n), kEntryLayouts[call.entry].name);
    c.result.differences.push_back(head + what);
}

// The outputs of one call, recorded and simulated, told apart.
void CompareOutputs(Comparison& c, const RecordedCall& call, const SimCall& sim) {
    const EntryLayout& layout = kEntryLayouts[call.entry];
    for (int i = 0; i < layout.argCount; ++i) {
        const RecordedValue& out = call.out[i];
        if (!out.present || out.null) continue;
        const ArgLayout& arg = layout.args[i];
        char text[256];
        if (arg.kind == ArgBytesOut) {
            const int32_t count = out.length < kMaxRecordedBytes ? out.length : kMaxRecordedBytes;
            const uint8_t* want = RecordedBytes(c.recording, out);
            int32_t first = 0;
            while (first < count && want[first] == sim.buffers[i][first]) ++first;
            if (first == count) continue;
            Say(c, call,
                std::string(arg.name) + " differs from byte " + std::to_string(first) + ": the library filled " +
                    Hex(want, count) + ", the simulator " + Hex(sim.buffers[i], count));
        } else if (arg.kind == ArgIntOut || arg.kind == ArgWordOut) {
            const int64_t simulated = arg.kind == ArgIntOut ? sim.words[i] : static_cast<uint32_t>(sim.words[i]);
            if (simulated == out.number) continue;
            std::snprintf(text, sizeof text, "%s is %lld from the library, %lld from the simulator", arg.name,
                          static_cast<long long>(out.number), static_cast<long long>(simulated));
            Say(c, call, text);
        } else if (arg.kind == ArgHandleOut || arg.kind == ArgHandleInOut) {
            if (out.number > 0) c.handles[out.number] = sim.handles[i];
            if ((out.number == 0) != (sim.handles[i] == nullptr)) {
                Say(c, call,
                    out.number == 0 ? "the library handed out no handle, the simulator one"
                                    : "the library handed out a handle, the simulator none");
            }
        }
    }
}

struct Timing {
    int64_t calls = 0;
    int64_t libraryMicros = 0;
    int64_t simulatorMicros = 0;
    int64_t longest = 0;
};

void CompareTimes(Comparison& c, const Timing (&timing)[kDeviceLibraryEntryCount], const CompareOptions& options) {
    for (int entry = 0; entry < kDeviceLibraryEntryCount; ++entry) {
        const Timing& t = timing[entry];
        if (t.calls == 0) continue;
        const double library = static_cast<double>(t.libraryMicros) / static_cast<double>(t.calls);
        const double simulator = static_cast<double>(t.simulatorMicros) / static_cast<double>(t.calls);
        if (library < simulator * options.slowerFactor ||
            library - simulator < static_cast<double>(options.minimumMicros)) {
            continue;
        }
        char text[300];
        std::snprintf(text, sizeof text,
                      "%s: %lld call%s took %.3f ms on average in the library (the longest %.3f ms), %.3f ms in the "
                      "simulator",
                      kEntryLayouts[entry].name, static_cast<long long>(t.calls), t.calls == 1 ? "" : "s",
                      library / 1000.0, static_cast<double>(t.longest) / 1000.0, simulator / 1000.0);
        c.result.differences.push_back(text);
    }
}

}  // namespace

std::string DevicesOfRecording(const Recording& recording) {
    std::vector<SeenDevice> devices;
    std::map<int64_t, size_t> deviceOfHandle;
    for (const RecordedCall& call : recording.calls) Observe(recording, call, devices, deviceOfHandle);
    std::string text;
    for (size_t i = 0; i < devices.size(); ++i) {
        const SeenDevice& d = devices[i];
        char line[256];
        std::snprintf(line, sizeof line, "device d%zu product=%08X kind=%lld identity=%s replyhex=%s\n", i + 1,
                      static_cast<unsigned>(d.productId), static_cast<long long>(d.kind < 0 ? 0 : d.kind),
                      d.identity.empty() ? "00" : d.identity.c_str(), d.reply.empty() ? "00" : d.reply.c_str());
        text += line;
    }
    return text;
}

CompareResult CompareWithSimulator(const Recording& recording, const CompareOptions& options) {
    CompareResult result;
    result.devices = options.devices.empty() ? DevicesOfRecording(recording) : options.devices;
    sim::Reset();
    sim::UseDeviceText(result.devices.c_str());
    const DeviceLibrary lib = sim::SimulatorLibrary();
    Comparison c{recording, result, {}};
    static SimCall simCall;  // 20 KiB of buffers: off the stack
    Timing timing[kDeviceLibraryEntryCount];
    for (const RecordedCall& call : recording.calls) {
        BuildArgs(recording, call, c.handles, simCall);
        const auto began = std::chrono::steady_clock::now();
        const int32_t status = Invoke(lib, call.entry, simCall.args);
        const auto took = std::chrono::steady_clock::now() - began;
        Timing& t = timing[call.entry];
        ++t.calls;
        t.libraryMicros += call.took;
        t.simulatorMicros += std::chrono::duration_cast<std::chrono::microseconds>(took).count();
        if (call.took > t.longest) t.longest = call.took;
        if (status != call.status) {
            Say(c, call,
                "the library answered status " + std::to_string(call.status) + ", the simulator " +
                    std::to_string(status));
        }
        CompareOutputs(c, call, simCall);
    }
    CompareTimes(c, timing, options);
    sim::Reset();
    return result;
}
