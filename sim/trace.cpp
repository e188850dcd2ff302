// The simulator's trace: when switched on in the device file, one line per
// library call is appended to the trace file:
//   <seq> <entry> <key>=<value> ... status=<status> us=<microseconds>
// Numbers are decimal, addresses and ids 0x-prefixed hex, buffers plain hex
// bytes; buffers the library fills are traced after the call. The stamps
// file holds only "<seq> <entry> us=<microseconds>" for the calls other than
// packets, so a timed run can be measured without the trace's own cost.
#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "sim/sim_internal.h"

namespace sim {
namespace {

void Append(TraceLine& line, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Append(TraceLine& line, const char* format, ...) {
    if (line.used >= sizeof line.text) return;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line.text + line.used, sizeof line.text - line.used, format, args);
    va_end(args);
    if (n > 0) line.used += static_cast<size_t>(n);
    if (line.used >= sizeof line.text) line.used = sizeof line.text - 1;
}

// Keeps a file open while its path stays the same.
std::FILE* OpenFor(std::FILE*& file, char* openPath, const char* path) {
    if (std::strcmp(openPath, path) != 0 && file != nullptr) {
        std::fclose(file);
        file = nullptr;
        openPath[0] = '\0';
    }
    if (file == nullptr && path[0] != '\0') {
        file = std::fopen(path, "a");
        if (file != nullptr) std::snprintf(openPath, kTracePathChars, "%s", path);
    }
    return file;
}

void Close(std::FILE*& file, char* openPath) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    openPath[0] = '\0';
}

uint64_t NowMicros() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace

void TraceBegin(TraceLine& line, const char* entry) {
    line.startMicros = NowMicros();
    line.used = 0;
    line.text[0] = '\0';
    Append(line, "%s", entry);
}

void TraceInt(TraceLine& line, const char* key, int64_t value) { Append(line, " %s=%" PRId64, key, value); }

void TraceHex(TraceLine& line, const char* key, uint64_t value) { Append(line, " %s=0x%" PRIX64, key, value); }

void TraceBytes(TraceLine& line, const char* key, const void* bytes, size_t count) {
    Append(line, " %s=", key);
    if (bytes == nullptr) {
        Append(line, "null");
        return;
    }
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) Append(line, "%02X", p[i]);
}

void TraceEnd(Simulator& sim, TraceLine& line, int32_t status, bool stamped) {
    ++sim.traceSeq;
    if (std::FILE* out = OpenFor(sim.traceFile, sim.traceOpenPath, sim.file.tracePath)) {
        std::fprintf(out, "%" PRIu64 " %s status=%d us=%" PRIu64 "\n", sim.traceSeq, line.text, status,
                     line.startMicros);
        std::fflush(out);
    }
    if (!stamped) return;
    if (std::FILE* out = OpenFor(sim.stampsFile, sim.stampsOpenPath, sim.file.stampsPath)) {
        const char* space = std::strchr(line.text, ' ');
        const int nameLength = space != nullptr ? static_cast<int>(space - line.text) : static_cast<int>(line.used);
        std::fprintf(out, "%" PRIu64 " %.*s us=%" PRIu64 "\n", sim.traceSeq, nameLength, line.text, line.startMicros);
        std::fflush(out);
    }
}

void TraceNote(Simulator& sim, const char* text) {
    if (std::FILE* out = OpenFor(sim.traceFile, sim.traceOpenPath, sim.file.tracePath)) {
        std::fprintf(out, "%s\n", text);
        std::fflush(out);
    }
}

void CloseTrace(Simulator& sim) { Close(sim.traceFile, sim.traceOpenPath); }

void CloseStamps(Simulator& sim) { Close(sim.stampsFile, sim.stampsOpenPath); }

}  // namespace sim
