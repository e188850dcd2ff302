// Loading a firmware image file: a counting pass sizes the buffer, a reading
// pass fills it. Failures are results, never exceptions.
#include "firmware/firmware_image.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "app/updater_state.h"
#include "firmware/text_lines.h"

namespace {

std::atomic<int32_t> imagesHeld{0};

bool NameHas(const char* name, const char* word) { return std::strstr(name, word) != nullptr; }

}  // namespace

bool CountImageLines(TextLines& lines, int32_t maxLines, int32_t& count) {
    char line[kImageLineChars];
    count = 0;
    while (lines.ReadLine(line, sizeof line)) {
        if (count >= maxLines) return false;
        ++count;
    }
    return true;
}

int32_t ReadImageBytes(TextLines& lines, uint8_t* imageBytes, int32_t limit) {
    char line[kImageLineChars];
    uint8_t kept = 0;  // a first line without a number gives 0
    int32_t count = 0;
    // Stopping at the first pass's count keeps the zero tail whole, so the
    // engine's reads of the last page stay inside the buffer.
    while (count < limit && lines.ReadLine(line, sizeof line)) {
        ScanImageLine(line, kept);  // a line without a number repeats the last byte
        imageBytes[count++] = kept;
    }
    return count;
}

bool LoadFirmwareImage(const char* path, FirmwareImage& image) {
    ReleaseFirmwareImage(image);
    TextLines lines;
    if (!lines.Open(path)) return false;
    int32_t counted = 0;
    if (!CountImageLines(lines, kMaxImageLines, counted)) return false;

    auto* bytes = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(counted) + kImageSpareBytes, 1));
    if (bytes == nullptr) return false;
    auto* work = static_cast<uint8_t*>(std::calloc(kWorkBufferBytes, 1));
    if (work == nullptr || !lines.Rewind()) {
        std::free(work);
        std::free(bytes);
        return false;
    }
    image.byteCount = ReadImageBytes(lines, bytes, counted);
    lines.Close();

    image.imageBytes = bytes;
    image.workBuffer = work;
    image.pageCount = image.byteCount / kImagePageBytes + (image.byteCount % kImagePageBytes > 0 ? 1 : 0);
    imagesHeld.fetch_add(1);
    return true;
}

void ReleaseFirmwareImage(FirmwareImage& image) {
    if (image.imageBytes != nullptr) imagesHeld.fetch_sub(1);
    std::free(image.imageBytes);
    std::free(image.workBuffer);
    image = FirmwareImage{};
}

int32_t FirmwareImagesHeld() { return imagesHeld.load(); }

void MemoryTypeFromName(UpdaterState& state, const char* fileName) {
    if (fileName == nullptr) return;
    if (NameHas(fileName, "24C512")) {
        state.memoryType = Memory24C512;
    } else if (NameHas(fileName, "45PE10")) {
        state.memoryType = Memory45PE10;
    } else if (NameHas(fileName, "25L2006")) {
        state.memoryType = Memory25L2006;
    }
    // These two are tested on their own and override what came before.
    if (NameHas(fileName, "24AA512")) state.memoryType = Memory24AA512;
    if (NameHas(fileName, "24C1024")) state.memoryType = Memory24C1024;
}
