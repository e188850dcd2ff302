// The transcript of a run and its comparison with the recorded copy.
#include "tests/reference/transcript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The trace's call times are the real clock's: the only part of a run that
// differs from one run to the next.
std::string WithoutCallTime(const std::string& line) {
    const size_t at = line.rfind(" us=");
    if (at == std::string::npos) return line;
    const std::string digits = line.substr(at + 4);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return line;
    return line.substr(0, at);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines around the first difference, as a compact diff.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    const std::vector<std::string> want = Lines(expected);
    const std::vector<std::string> got = Lines(actual);
    size_t first = 0;
    while (first < want.size() && first < got.size() && want[first] == got[first]) ++first;
    std::ostringstream out;
    out << "first difference at line " << first + 1 << " (expected " << want.size() << " lines, got " << got.size()
        << "):\n";
    for (size_t i = first >= 3 ? first - 3 : 0; i < first; ++i) out << "  " << want[i] << "\n";
    constexpr size_t kShown = 8;
    for (size_t i = first; i < want.size() && i < first + kShown; ++i) out << "- " << want[i] << "\n";
    for (size_t i = first; i < got.size() && i < first + kShown; ++i) out << "+ " << got[i] << "\n";
    if (expected.size() != actual.size() && want == got) out << "(the texts differ only in their final newline)\n";
    return out.str();
}

}  // namespace

Transcript::Transcript() : folder_(fs::current_path().string()) {}

Transcript::~Transcript() {
    if (trace_ != nullptr) std::fclose(trace_);
}

std::string Transcript::Normal(std::string text) const {
    ReplaceAll(text, folder_, "<folder>");
    ReplaceAll(text, "\r", "\\r");
    ReplaceAll(text, "\n", "\\n");
    return text;
}

// The simulator hands out handle values from a counter that outlives its
// Reset, so a value depends on the runs before this one in the process:
// each is written as its number in order of first appearance.
std::string Transcript::NumberedHandles(std::string line) {
    for (const char* key : {" handle=", " newHandle="}) {
        const size_t at = line.find(key);
        if (at == std::string::npos) continue;
        const size_t start = at + std::strlen(key);
        const size_t end = std::min(line.find(' ', start), line.size());
        const std::string value = line.substr(start, end - start);
        if (value == "0x0") continue;  // no handle
        const int number = handles_.emplace(value, static_cast<int>(handles_.size()) + 1).first->second;
        line.replace(start, end - start, "H" + std::to_string(number));
    }
    return line;
}

void Transcript::Add(const std::string& line) {
    text_ += line;
    text_ += '\n';
}

// The trace grows by whole lines, each flushed before its call returns, so
// the lines found here are the calls made before the event about to be noted.
void Transcript::TakeTraceLines() {
    if (trace_ == nullptr) trace_ = std::fopen(kTraceFile, "rb");
    if (trace_ == nullptr) return;
    // Seeking in place forgets the end of file met last time (clearerr is
    // not enough for the Windows runtime).
    std::fseek(trace_, 0, SEEK_CUR);
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, trace_)) > 0) pending_.append(chunk, got);
    size_t start = 0;
    for (size_t end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n', start)) {
        std::string line = pending_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Add("lib  " + Normal(NumberedHandles(WithoutCallTime(line))));
        start = end + 1;
    }
    pending_.erase(0, start);
}

void Transcript::Note(const char* tag, const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return;
    TakeTraceLines();
    std::string line = tag;
    line.resize(std::max<size_t>(line.size() + 1, 5), ' ');
    Add(line + Normal(text));
}

void Transcript::NoteAt(const char* tag, const std::string& text, uint64_t micros) {
    char time[40];
    if (micros % 1000 == 0) {
        std::snprintf(time, sizeof time, "[%llu.%03llu] ", static_cast<unsigned long long>(micros / 1000000),
                      static_cast<unsigned long long>(micros / 1000 % 1000));
    } else {
        std::snprintf(time, sizeof time, "[%llu.%06llu] ", static_cast<unsigned long long>(micros / 1000000),
                      static_cast<unsigned long long>(micros % 1000000));
    }
    Note(tag, time + text);
}

void Transcript::Heading(const std::string& title) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!closed_) TakeTraceLines();
    Add("== " + title);
}

void Transcript::Block(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    if (text.empty()) return Add("\\ empty");
    std::string normal = text;
    ReplaceAll(normal, folder_, "<folder>");
    text_ += normal;
    if (normal.back() != '\n') Add("\n\\ no newline at end");
}

void Transcript::LeaveOut(const std::string& what) {
    std::lock_guard<std::mutex> guard(lock_);
    TakeTraceLines();
    const size_t lines = static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n'));
    text_.clear();
    Add("== left out: " + what + " (" + std::to_string(lines) + " lines)");
}

void Transcript::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    TakeTraceLines();
    closed_ = true;
}

void Transcript::NoteFilesWritten() {
    std::vector<std::string> names;
    for (auto it = fs::recursive_directory_iterator("."); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().lexically_relative(".").generic_string();
        if (it->is_directory() && name == "files") {
            it.disable_recursion_pending();
        } else if (it->is_regular_file() && name != kTraceFile) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string contents = ReadWhole(name);
        Heading("file " + name + " (" + std::to_string(contents.size()) + " bytes)");
        Block(contents);
    }
}

std::string Transcript::Text() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!closed_) TakeTraceLines();
    return text_;
}

void ExpectTranscript(const std::string& name, const std::string& actual) {
    const fs::path path = fs::path(TRANSCRIPT_FOLDER) / (name + ".txt");
    const char* update = std::getenv("UPDATE_TRANSCRIPTS");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << actual;
        EXPECT_TRUE(out.good()) << "cannot write " << path;
        return;
    }
    if (!fs::exists(path)) {
        ADD_FAILURE() << path << " is missing; record it with UPDATE_TRANSCRIPTS=1";
        return;
    }
    const std::string expected = ReadWhole(path);
    if (expected == actual) return;
    ADD_FAILURE() << "the run differs from " << path << "\n" << FirstDifference(expected, actual);
}
