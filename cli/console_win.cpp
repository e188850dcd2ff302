// Standard output and standard error on Windows. Both are put in binary
// mode, so a JSON line ends in "\n" alone, as on every other platform.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/console.h"

namespace {

struct WindowsConsole final : Console {
    WindowsConsole() {
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
    }
    void Out(const char* text) override {
        std::fputs(text, stdout);
        std::fflush(stdout);
    }
    void Err(const char* text) override {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
    // A console answers GetConsoleMode; a pipe or a file does not.
    bool OutIsTerminal() override {
        DWORD mode = 0;
        return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
    }
    Answer Ask(const char* question) override {
        DWORD mode = 0;
        if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0) return CannotAsk;
        Err(question);
        char answer[16] = {};
        if (std::fgets(answer, sizeof answer, stdin) == nullptr) return AnswerNo;
        return answer[0] == 'y' || answer[0] == 'Y' ? AnswerYes : AnswerNo;
    }
};

}  // namespace

Console& StandardConsole() {
    static WindowsConsole console;
    return console;
}
