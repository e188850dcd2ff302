// What each entry point's arguments are, for code that handles every call
// alike: the recorder writes them, the simulator's replay and the comparison
// read them back. One row per entry point of the list, in its order; the
// arguments of a call travel as an array of CallArg, packed from the real
// parameters and unpacked into them again by their own types.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "device/entry_points.h"

enum ArgKind : uint8_t {
    ArgNumber,       // an integer passed by value
    ArgHandle,       // a handle passed by value
    ArgHandleInOut,  // a handle passed by address and replaced (ROM mode)
    ArgHandleOut,    // a handle the library hands out
    ArgBytesIn,      // a buffer the library reads
    ArgBytesOut,     // a buffer the library fills
    ArgIntOut,       // an int32_t the library fills
    ArgWordOut,      // a uint32_t the library fills
};

// A buffer's size is `unitBytes`, times the value of argument `countArg`
// when that is not -1; never more than maxBytes. A buffer `countedByStatus`
// is filled only as far as the count the call returns.
struct ArgLayout {
    const char* name;
    ArgKind kind;
    int32_t unitBytes;
    int8_t countArg;
    int32_t maxBytes;
    bool countedByStatus = false;
};

inline constexpr int kMaxEntryArgs = 5;
// No buffer of the program's calls is larger: the biggest is a 24-byte
// packet, or a peek of a few bytes. A larger one is recorded up to this.
inline constexpr int32_t kMaxRecordedBytes = 4096;
inline constexpr int32_t kDeviceQueryBytes = static_cast<int32_t>(sizeof(DeviceQuery));

struct EntryLayout {
    const char* name;
    int argCount;
    ArgLayout args[kMaxEntryArgs];
};

// clang-format off
inline constexpr ArgLayout kHandleArg{"handle", ArgHandle, 0, -1, 0};
inline constexpr EntryLayout kEntryLayouts[kDeviceLibraryEntryCount] = {
    {"AvDllInitialize", 0, {}},
    {"AvDllListDevices", 4, {{"selector", ArgNumber, 0, -1, 0}, {"maximum", ArgNumber, 0, -1, 0},
        {"shortIds", ArgBytesOut, kListShortIdBytes, -1, kListShortIdBytes},
        {"productIds", ArgBytesOut, 4, 1, 4 * kMaxListedDevices, true}}},
    {"AvDllFindDevice", 3, {{"mode", ArgNumber, 0, -1, 0}, {"query", ArgBytesIn, kDeviceQueryBytes, -1, kDeviceQueryBytes},
        {"foundIndex", ArgIntOut, 0, -1, 0}}},
    {"AvDllOpenDevice", 3, {{"query", ArgBytesIn, kDeviceQueryBytes, -1, kDeviceQueryBytes},
        {"index", ArgNumber, 0, -1, 0}, {"handle", ArgHandleOut, 0, -1, 0}}},
    {"RemotePeek", 5, {kHandleArg, {"space", ArgNumber, 0, -1, 0}, {"address", ArgNumber, 0, -1, 0},
        {"count", ArgNumber, 0, -1, 0}, {"destination", ArgBytesOut, 1, 3, kMaxRecordedBytes}}},
    {"AvDllQueryDevice", 2, {kHandleArg, {"info", ArgBytesOut, 16, -1, 16}}},
    {"systemDeviceIdGet", 2, {kHandleArg, {"deviceId", ArgWordOut, 0, -1, 0}}},
    {"systemDeviceIdSet", 2, {kHandleArg, {"deviceId", ArgNumber, 0, -1, 0}}},
    {"systemPairedArbDeviceIdSet", 2, {kHandleArg, {"deviceId", ArgNumber, 0, -1, 0}}},
    {"systemDeviceIdsCommit", 1, {kHandleArg}},
    {"SerialMemErase", 1, {kHandleArg}},
    {"commandGetTimeout", 2, {kHandleArg, {"milliseconds", ArgIntOut, 0, -1, 0}}},
    {"commandSetTimeout", 2, {kHandleArg, {"milliseconds", ArgNumber, 0, -1, 0}}},
    {"commandSend", 2, {kHandleArg, {"request", ArgBytesIn, kPacketBytes, -1, kPacketBytes}}},
    {"commandSendAndGetResponse", 3, {kHandleArg, {"request", ArgBytesIn, kPacketBytes, -1, kPacketBytes},
        {"response", ArgBytesOut, kPacketBytes, -1, kPacketBytes}}},
    {"SerialMemEnterFlashMode", 1, {{"handle", ArgHandleInOut, 0, -1, 0}}},
    {"SerialMemWrite", 4, {kHandleArg, {"address", ArgNumber, 0, -1, 0}, {"count", ArgNumber, 0, -1, 0},
        {"data", ArgBytesIn, 1, 2, kMaxRecordedBytes}}},
    {"SerialMemProgram", 1, {kHandleArg}},
    {"SerialMemVerify", 4, {kHandleArg, {"address", ArgNumber, 0, -1, 0}, {"count", ArgNumber, 0, -1, 0},
        {"data", ArgBytesIn, 1, 2, kMaxRecordedBytes}}},
    {"systemReset", 1, {kHandleArg}},
    {"AvDllCloseHandle", 1, {kHandleArg}},
    {"AvDllShutdown", 0, {}},
};
// clang-format on

// The rows follow the list: the same names, and as many arguments as each
// entry point's parameter list has.
namespace call_layout_check {
template <typename Fn>
struct Arity;
template <typename R, typename... A>
struct Arity<R(A...)> {
    static constexpr int value = sizeof...(A);
};
constexpr bool SameName(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}
#define DEVICE_LIBRARY_LAYOUT_CHECK(entry, params, args)                \
    static_assert(SameName(kEntryLayouts[Index_##entry].name, #entry)); \
    static_assert(kEntryLayouts[Index_##entry].argCount == Arity<entry##Fn>::value);
DEVICE_LIBRARY_ENTRY_POINTS(DEVICE_LIBRARY_LAYOUT_CHECK)
#undef DEVICE_LIBRARY_LAYOUT_CHECK
}  // namespace call_layout_check

// One argument of a call as it was passed: a number, or an address.
struct CallArg {
    int64_t number = 0;
    void* pointer = nullptr;
};

template <typename T>
CallArg ToCallArg(T value) {
    CallArg arg;
    if constexpr (std::is_pointer_v<T>) {
        arg.pointer = const_cast<void*>(static_cast<const void*>(value));
    } else {
        arg.number = static_cast<int64_t>(value);
    }
    return arg;
}

template <typename T>
T FromCallArg(const CallArg& arg) {
    if constexpr (std::is_pointer_v<T>) {
        return static_cast<T>(arg.pointer);
    } else {
        return static_cast<T>(arg.number);
    }
}

// PackCallArgs(a, b, c): the arguments of a call, in order.
template <typename... T>
std::array<CallArg, sizeof...(T)> PackCallArgs(T... values) {
    return {ToCallArg(values)...};
}

// Calls `fn` with the arguments `args` holds, each turned back into its type.
template <typename... A, size_t... I>
int32_t CallUnpackedAt(int32_t (*fn)(A...), const CallArg* args, std::index_sequence<I...>) {
    return fn(FromCallArg<A>(args[I])...);
}
template <typename... A>
int32_t CallUnpacked(int32_t (*fn)(A...), const CallArg* args) {
    return CallUnpackedAt(fn, args, std::index_sequence_for<A...>{});
}

// The size of buffer argument `i` of a call to `entry`, bounded; 0 when its
// count argument is negative.
inline int32_t ArgBytes(int entry, int i, const CallArg* args) {
    const ArgLayout& arg = kEntryLayouts[entry].args[i];
    int64_t bytes = arg.unitBytes;
    if (arg.countArg >= 0) bytes *= args[arg.countArg].number;
    if (bytes < 0) return 0;
    return bytes > arg.maxBytes ? arg.maxBytes : static_cast<int32_t>(bytes);
}

// The bytes of output buffer `i` the library filled in a call that returned
// `status`: the listing fills one id for each device it counts, and the rest
// of the caller's buffer is the caller's own.
inline int32_t FilledBytes(int entry, int i, const CallArg* args, int32_t status) {
    const ArgLayout& arg = kEntryLayouts[entry].args[i];
    const int32_t room = ArgBytes(entry, i, args);
    if (!arg.countedByStatus) return room;
    if (status <= 0) return 0;
    const int64_t filled = static_cast<int64_t>(arg.unitBytes) * status;
    return filled < room ? static_cast<int32_t>(filled) : room;
}
