// What a whole run did to the world, in order, as one text, and its check
// against the recorded copy, so a reshaping of the engine can show it changed nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

inline constexpr char kTraceFile[] = "trace.txt";  // in the run's working folder

class Transcript {
   public:
    Transcript();
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // One event, after the library calls made before it. `tag` says where it
    // came from (lib, sys, ctl, dlg, out, err, act...). Safe from any thread.
    void Note(const char* tag, const std::string& text);
    // The same with the fake time, in milliseconds.
    void NoteAt(const char* tag, const std::string& text, uint64_t micros);
    // A heading, or a block of text written as it is (the files and the
    // command line's output), marked when it lacks a final newline.
    void Heading(const std::string& title);
    void Block(const std::string& text);
    // Forgets what was noted so far: a scenario's setup, told elsewhere.
    void LeaveOut(const std::string& what);
    // Notes nothing more (a fixture's own shutdown is no part of the run).
    void Close();
    // Every file of the working folder the run wrote, but the trace and the
    // firmware folder, in name order, each as it is.
    void NoteFilesWritten();

    std::string Text();

   private:
    void TakeTraceLines();  // under lock_
    void Add(const std::string& line);
    std::string Normal(std::string text) const;
    std::string NumberedHandles(std::string line);

    std::mutex lock_;
    std::string text_;
    std::string folder_;  // the working folder, which a line may name
    std::FILE* trace_ = nullptr;
    std::string pending_;                 // a trace line not yet ended
    std::map<std::string, int> handles_;  // handle value -> its number in this run
    bool closed_ = false;
};

// Expects `actual` to be tests/reference/transcripts/<name>.txt, showing the
// first lines that differ; with UPDATE_TRANSCRIPTS=1 writes it there instead.
void ExpectTranscript(const std::string& name, const std::string& actual);
