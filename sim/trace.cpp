// The simulator's trace: when switched on in the device file, one line per
// library call is appended to the trace file:
//   <seq> <entry> <key>=<value> ... status=<status>
// Numbers are decimal, addresses and ids 0x-prefixed hex, buffers plain hex
// bytes; buffers the library fills are traced after the call.
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

// Keeps the trace file open while its path stays the same.
std::FILE* TraceFile(Simulator& sim) {
    if (std::strcmp(sim.traceOpenPath, sim.file.tracePath) != 0) CloseTrace(sim);
    if (sim.traceFile == nullptr && sim.file.tracePath[0] != '\0') {
        sim.traceFile = std::fopen(sim.file.tracePath, "a");
        if (sim.traceFile != nullptr) {
            std::snprintf(sim.traceOpenPath, sizeof sim.traceOpenPath, "%s", sim.file.tracePath);
        }
    }
    return sim.traceFile;
}

}  // namespace

void TraceBegin(TraceLine& line, const char* entry) {
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

void TraceEnd(Simulator& sim, TraceLine& line, int32_t status) {
    ++sim.traceSeq;
    std::FILE* out = TraceFile(sim);
    if (out == nullptr) return;
    std::fprintf(out, "%" PRIu64 " %s status=%d\n", sim.traceSeq, line.text, status);
    std::fflush(out);
}

void CloseTrace(Simulator& sim) {
    if (sim.traceFile != nullptr) std::fclose(sim.traceFile);
    sim.traceFile = nullptr;
    sim.traceOpenPath[0] = '\0';
}

}  // namespace sim
