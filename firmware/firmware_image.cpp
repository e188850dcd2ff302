// Loading a firmware image file: a counting pass sizes the buffer, a reading
// pass fills it. Failures are results, never exceptions.
#include "firmware/firmware_image.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "firmware/firmware_file.h"
#include "firmware/text_lines.h"

namespace {

std::atomic<int32_t> imagesHeld{0};

bool NameHas(const char* name, const char* word) { return std::strstr(name, word) != nullptr; }

}  // namespace

ImageProblem CheckImageLine(const char* piece, size_t length, int32_t lineNumber) {
    if (std::memchr(piece, '\r', length) != nullptr) return ImageLoneCr;
    const bool ended = length > 0 && piece[length - 1] == '\n';
    // A piece that fills the buffer without its line end is a cut line.
    if (!ended && length + 1 >= kImageLineChars) return ImageLineTooLong;
    uint8_t byte = 0;
    if (lineNumber > 1 && !ScanImageLine(piece, byte)) return ImageNoNumber;
    return ImageOk;
}

ImageLoad CheckImageLines(TextLines& lines, int32_t maxLines, int32_t& count) {
    char line[kImageLineChars];
    count = 0;
    while (const size_t length = lines.ReadLine(line, sizeof line)) {
        if (count >= maxLines) return {ImageTooLarge, count + 1};
        ++count;
        if (const ImageProblem problem = CheckImageLine(line, length, count); problem != ImageOk) {
            return {problem, count};
        }
    }
    return {};
}

ImageLoad ReadImageBytes(TextLines& lines, uint8_t* imageBytes, int32_t limit, int32_t& count) {
    char line[kImageLineChars];
    uint8_t kept = 0;  // the first line may hold no number: its byte is 0
    count = 0;
    // Stopping at the first pass's count keeps the zero tail whole, so the
    // engine's reads of the last page stay inside the buffer.
    while (count < limit) {
        const size_t length = lines.ReadLine(line, sizeof line);
        if (length == 0) break;
        if (const ImageProblem problem = CheckImageLine(line, length, count + 1); problem != ImageOk) {
            return {problem, count + 1};
        }
        ScanImageLine(line, kept);
        imageBytes[count++] = kept;
    }
    return {};
}

namespace {

ImageLoad LoadFromLines(TextLines& lines, FirmwareImage& image) {
    int32_t counted = 0;
    if (const ImageLoad check = CheckImageLines(lines, kMaxImageLines, counted); !check) return check;

    auto* bytes = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(counted) + kImageSpareBytes, 1));
    if (bytes == nullptr) return {ImageNoMemory, 0};
    auto* work = static_cast<uint8_t*>(std::calloc(kWorkBufferBytes, 1));
    if (work == nullptr || !lines.Rewind()) {
        std::free(work);
        std::free(bytes);
        return {work == nullptr ? ImageNoMemory : ImageUnreadable, 0};
    }
    int32_t read = 0;
    const ImageLoad reading = ReadImageBytes(lines, bytes, counted, read);
    lines.Close();
    if (!reading) {
        std::free(work);
        std::free(bytes);
        return reading;
    }
    image.imageBytes = bytes;
    image.workBuffer = work;
    image.byteCount = read;
    image.pageCount = image.byteCount / kImagePageBytes + (image.byteCount % kImagePageBytes > 0 ? 1 : 0);
    imagesHeld.fetch_add(1);
    return {};
}

}  // namespace

ImageLoad LoadFirmwareImage(const char* path, FirmwareImage& image) {
    ReleaseFirmwareImage(image);
    TextLines lines;
    if (!lines.Open(path)) return {ImageUnreadable, 0};
    return LoadFromLines(lines, image);
}

ImageLoad LoadFirmwareImage(const FirmwareFile& file, FirmwareImage& image) {
    ReleaseFirmwareImage(image);
    TextLines lines;
    lines.OpenBytes(file.bytes, file.count);
    return LoadFromLines(lines, image);
}

void ReleaseFirmwareImage(FirmwareImage& image) {
    if (image.imageBytes != nullptr) imagesHeld.fetch_sub(1);
    std::free(image.imageBytes);
    std::free(image.workBuffer);
    image = FirmwareImage{};
}

int32_t FirmwareImagesHeld() { return imagesHeld.load(); }

int32_t MemoryTypeFromName(const char* fileName, int32_t previous) {
    if (fileName == nullptr) return previous;
    int32_t memoryType = previous;
    if (NameHas(fileName, "24C512")) {
        memoryType = Memory24C512;
    } else if (NameHas(fileName, "45PE10")) {
        memoryType = Memory45PE10;
    } else if (NameHas(fileName, "25L2006")) {
        memoryType = Memory25L2006;
    }
    // These two are tested on their own and override what came before.
    if (NameHas(fileName, "24AA512")) memoryType = Memory24AA512;
    if (NameHas(fileName, "24C1024")) memoryType = Memory24C1024;
    return memoryType;
}
