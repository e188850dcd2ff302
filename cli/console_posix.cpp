// Standard output and standard error on POSIX.
#include <unistd.h>

#include <cstdio>

#include "cli/console.h"

namespace {

struct PosixConsole final : Console {
    void Out(const char* text) override {
        std::fputs(text, stdout);
        std::fflush(stdout);
    }
    void Err(const char* text) override {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
    bool OutIsTerminal() override { return isatty(STDOUT_FILENO) == 1; }
    Answer Ask(const char* question) override {
        if (isatty(STDIN_FILENO) != 1) return CannotAsk;
        Err(question);
        char answer[16] = {};
        if (std::fgets(answer, sizeof answer, stdin) == nullptr) return AnswerNo;
        return answer[0] == 'y' || answer[0] == 'Y' ? AnswerYes : AnswerNo;
    }
};

}  // namespace

Console& StandardConsole() {
    static PosixConsole console;
    return console;
}
