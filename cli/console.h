// Where the command line writes: standard output for results and events,
// standard error for refusals and notices. Tests capture both.
#pragma once

struct Console {
    virtual ~Console() = default;
    // Writes `text` as it stands and flushes, so a script reading a pipe
    // sees each line when it is written.
    virtual void Out(const char* text) = 0;
    virtual void Err(const char* text) = 0;
    // True when standard output is a terminal (a progress bar may redraw
    // its line); false for a pipe or a file (plain lines).
    virtual bool OutIsTerminal() = 0;
    // Asks a yes-or-no question on standard error and reads the answer from
    // standard input. CannotAsk when standard input is not a terminal.
    enum Answer { AnswerYes, AnswerNo, CannotAsk };
    virtual Answer Ask(const char* question) = 0;
};

// Standard output and standard error of this process (console_posix.cpp,
// console_win.cpp).
Console& StandardConsole();
