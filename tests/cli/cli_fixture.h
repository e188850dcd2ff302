// A fixture for the command line in-process: RunCommandLine against the
// in-process simulator (through the recording library), on the fake clock,
// in the test's own working folder, with standard output and standard
// error captured. Each Run is one start of the program.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "sim/simulator.h"
#include "sim/version_stamp.h"
#include "tests/support/fake_system.h"
#include "tests/support/image_files.h"
#include "tests/support/recording_library.h"
#include "tests/support/test_folder.h"

inline constexpr char kCliHeadset[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n";
inline constexpr char kCliAdapter[] = "device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93\n";

struct CapturedConsole : Console {
    std::string out, err;
    bool terminal = false;
    Answer answer = CannotAsk;
    std::vector<std::string> questions;
    std::function<void()> whileAsking;  // what happens while the person reads

    void Out(const char* text) override { out += text; }
    void Err(const char* text) override { err += text; }
    bool OutIsTerminal() override { return terminal; }
    Answer Ask(const char* question) override {
        questions.emplace_back(question);
        if (whileAsking) whileAsking();
        return answer;
    }
};

class CliFixture : public ::testing::Test {
   protected:
    void SetUp() override {
        sim::Reset();
        sim::UseDeviceText("");
        sim::AvDllInitialize();
        recording::Clear();
        library = recording::Library();
        env.system = &system;
        env.console = &console;
        env.boundLibrary = &library;
    }
    void TearDown() override {
        sim::AvDllShutdown();
        sim::Reset();
    }

    // One start of the program with these arguments (without its name).
    int Run(std::vector<const char*> args) {
        console.out.clear();
        console.err.clear();
        args.insert(args.begin(), "veltrane-cli");
        return RunCommandLine(static_cast<int>(args.size()), args.data(), env);
    }

    void Plug(const std::string& devices) { sim::UseDeviceText(devices.c_str()); }

    // A firmware file whose first line carries `tag` and whose image carries
    // the version reply a device running it gives.
    void WriteFirmware(const std::string& name, const std::string& tag, const char* reply, int32_t byteCount = 1500,
                       uint32_t seed = 7) {
        std::vector<uint8_t> image = MakeImage(byteCount, seed);
        std::memcpy(image.data() + sim::kStampOffset, sim::kStampMagic, sizeof sim::kStampMagic);
        std::memset(image.data() + sim::kStampOffset + 4, 0, sim::kStampReplyBytes);
        std::memcpy(image.data() + sim::kStampOffset + 4, reply, std::strlen(reply));
        WriteImageFile(name, image, tag);
    }

    // Every line of standard output as JSON; a line that is not JSON fails the test.
    std::vector<nlohmann::json> Events() const {
        std::vector<nlohmann::json> events;
        size_t start = 0;
        while (start < console.out.size()) {
            const size_t end = console.out.find('\n', start);
            const std::string line = console.out.substr(start, end - start);
            const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
            EXPECT_FALSE(event.is_discarded()) << "not JSON: " << line;
            events.push_back(event);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return events;
    }
    std::vector<nlohmann::json> EventsOf(const std::string& type) const {
        std::vector<nlohmann::json> found;
        for (const nlohmann::json& event : Events()) {
            if (event.value("event", "") == type) found.push_back(event[type]);
        }
        return found;
    }
    // The one result event, which ends every command.
    nlohmann::json Result() const {
        const std::vector<nlohmann::json> events = Events();
        EXPECT_FALSE(events.empty());
        if (events.empty()) return {};
        EXPECT_EQ(events.back().value("event", ""), "result");
        EXPECT_EQ(EventsOf("result").size(), 1u);
        return events.back()["result"];
    }

    ScopedTestFolder folder;
    FakeSystem system;
    CapturedConsole console;
    DeviceLibrary library;
    CliEnvironment env;
};
