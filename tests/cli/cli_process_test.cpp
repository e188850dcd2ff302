// The real veltrane-cli program (the native build) against the native
// simulator library in its working folder: what a script sees of it, its
// exit codes, the lock held by another process, and Ctrl+C as a real
// signal while a page is being written.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/image_files.h"
#include "tests/support/test_folder.h"

namespace {

using Json = nlohmann::json;

constexpr char kHeadset[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n";

struct Child {
    pid_t pid = -1;
    int out = -1;
    std::string buffered;

    // The next line of standard output, or "" after `timeoutMs` or at its end.
    std::string ReadLine(int timeoutMs) {
        for (;;) {
            const size_t end = buffered.find('\n');
            if (end != std::string::npos) {
                std::string line = buffered.substr(0, end);
                buffered.erase(0, end + 1);
                return line;
            }
            pollfd ready{out, POLLIN, 0};
            if (poll(&ready, 1, timeoutMs) <= 0) return "";
            char block[4096];
            const ssize_t got = read(out, block, sizeof block);
            if (got <= 0) return "";
            buffered.append(block, static_cast<size_t>(got));
        }
    }
    std::string ReadAll() {
        std::string all = buffered;
        char block[4096];
        for (ssize_t got; (got = read(out, block, sizeof block)) > 0;) all.append(block, static_cast<size_t>(got));
        buffered.clear();
        return all;
    }
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        close(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

class CliProcessTest : public ::testing::Test {
   protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::path("../..") / "hostapi_vmi.dll", "hostapi_vmi.dll");
        lockPath_ = (std::filesystem::current_path() / "devices.lock").string();
        setenv("VELTRANE_DEVICE_LOCK", lockPath_.c_str(), 1);
        // Runs write their log and history here, not into the user's folder.
        setenv("XDG_STATE_HOME", std::filesystem::current_path().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VELTRANE_DEVICE_LOCK");
        unsetenv("XDG_STATE_HOME");
    }

    static void Plug(const char* devices) { std::ofstream("sim_devices.txt") << devices; }

    static Child Start(std::vector<std::string> args) {
        int pipeFds[2];
        EXPECT_EQ(pipe(pipeFds), 0);
        Child child;
        child.pid = fork();
        if (child.pid == 0) {
            dup2(pipeFds[1], STDOUT_FILENO);
            const int null = open("/dev/null", O_RDONLY);
            dup2(null, STDIN_FILENO);
            close(pipeFds[0]);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(CLI_PROGRAM));
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(CLI_PROGRAM, argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        child.out = pipeFds[0];
        return child;
    }

    ScopedTestFolder folder_;
    std::string lockPath_;
};

TEST_F(CliProcessTest, DevicesPrintsOneLinePerDeviceAndNoDeviceIsExitFour) {
    Plug(kHeadset);
    Child listing = Start({"devices"});
    EXPECT_EQ(listing.ReadAll(), "headset  28F80106  RX93  1_0\n");
    EXPECT_EQ(listing.Wait(), 0);

    Plug("");
    Child none = Start({"--json", "devices"});
    const Json result = Json::parse(none.ReadAll());
    EXPECT_EQ(none.Wait(), 4);
    EXPECT_EQ(result["result"]["exit"], "no_device");
}

TEST_F(CliProcessTest, AnotherProcessHoldingTheLockIsExitEight) {
    Plug(kHeadset);
    const int held = open(lockPath_.c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    Child busy = Start({"--json", "devices"});
    const Json result = Json::parse(busy.ReadAll());
    EXPECT_EQ(busy.Wait(), 8);
    EXPECT_EQ(result["result"]["cause"], "device_busy");
    close(held);
}

TEST_F(CliProcessTest, CtrlCDuringAPageEndsTheRunAtThePageBoundaryWithExit130) {
    Plug(kHeadset);
    WriteImageFile("RX93_Headset_v1_2_ef.txt", MakeImage(4 * 1024), "Headset_v1_2");
    Child run = Start({"--json", "update", "RX93_Headset_v1_2_ef.txt"});  // no terminal, no --yes: refused
    EXPECT_EQ(run.Wait(), 2);

    run = Start({"--json", "update", "--yes", "RX93_Headset_v1_2_ef.txt"});
    bool interrupted = false;
    for (std::string line = run.ReadLine(20000); !line.empty(); line = run.ReadLine(20000)) {
        const Json event = Json::parse(line);
        if (event["event"] == "progress" && event["progress"]["page"] == 2) {
            kill(run.pid, SIGINT);  // page 2 is being written
            interrupted = true;
            break;
        }
    }
    ASSERT_TRUE(interrupted);
    std::vector<Json> rest;
    for (std::string line = run.ReadLine(20000); !line.empty(); line = run.ReadLine(20000)) rest.push_back(Json::parse(line));
    EXPECT_EQ(run.Wait(), 130);
    ASSERT_FALSE(rest.empty());
    for (const Json& event : rest) EXPECT_NE(event["event"], "progress");  // page 3 never began
    EXPECT_EQ(rest.back()["result"]["outcome"], "interrupted");
    EXPECT_EQ(rest[rest.size() - 2]["stage"]["line"], "Device accepted Reset...");

    // The stopped run is in the history, as the program told it.
    std::ifstream history("veltrane-updater/history.jsonl");
    std::string last;
    for (std::string line; std::getline(history, line);) last = line;
    ASSERT_FALSE(last.empty());
    const Json record = Json::parse(last);
    EXPECT_EQ(record["writtenBy"], "cli");
    EXPECT_EQ(record["cause"], "interrupted");
    EXPECT_EQ(record["page"], 3);
    EXPECT_EQ(record["reason"], rest.back()["result"]["reason"]);
}

// The terminal closed or the SSH session dropped: a hang-up, and nothing
// reads the output any more. The run still ends at the page boundary with
// the device reset and closed, and is recorded.
TEST_F(CliProcessTest, AHangUpWithTheOutputGoneEndsTheRunAtThePageBoundary) {
    Plug(kHeadset);
    WriteImageFile("RX93_Headset_v1_2_ef.txt", MakeImage(4 * 1024), "Headset_v1_2");
    Child run = Start({"--json", "update", "--yes", "RX93_Headset_v1_2_ef.txt"});
    bool hungUp = false;
    for (std::string line = run.ReadLine(20000); !line.empty(); line = run.ReadLine(20000)) {
        const Json event = Json::parse(line);
        if (event["event"] == "progress" && event["progress"]["page"] == 2) {
            kill(run.pid, SIGHUP);
            close(run.out);  // the reader is gone: the next write meets a broken pipe
            run.out = -1;
            hungUp = true;
            break;
        }
    }
    ASSERT_TRUE(hungUp);
    EXPECT_EQ(run.Wait(), 130);
    std::ifstream history("veltrane-updater/history.jsonl");
    std::string last;
    for (std::string line; std::getline(history, line);) last = line;
    ASSERT_FALSE(last.empty());
    const Json record = Json::parse(last);
    EXPECT_EQ(record["cause"], "interrupted");
    EXPECT_EQ(record["page"], 3);
    std::ifstream log("veltrane-updater/updater.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Device accepted Reset..."), std::string::npos);
}

}  // namespace

namespace {

// The program killed (no handler runs) before ROM mode's call returns, in
// a page of programming, in a page of verify and in the reset: the history
// keeps its started record, read as interrupted, and the next run finishes
// the unit, which answered with a reply no longer recognised.
TEST_F(CliProcessTest, AKilledUpdateLeavesItsStartedRecordAndTheNextRunFinishesIt) {
    WriteImageFile("RX93_Headset_v1_2_ef.txt", MakeImage(4 * 1024), "Headset_v1_2");
    const std::pair<const char*, int> points[] = {{"rom_mode", 0}, {"program", 2}, {"verify", 2}, {"reset", 0}};
    int n = 0;
    for (const auto& [stage, page] : points) {
        const std::string number = std::to_string(++n);
        const std::string device = "memory sim_state\ndevice headset" + number + " product=28F80106 kind=13 identity=0" +
                                   number + " reply=v1_0_RX93\n";
        Plug(device.c_str());
        Child run = Start({"--json", "update", "--yes", "RX93_Headset_v1_2_ef.txt"});
        bool killed = false;
        for (std::string line = run.ReadLine(20000); !line.empty() && !killed; line = run.ReadLine(20000)) {
            const Json event = Json::parse(line);
            const bool atStage = event["event"] == "stage" && event["stage"]["name"] == stage && page == 0;
            const bool atPage = event["event"] == "progress" && event["progress"]["stage"] == stage &&
                                event["progress"]["page"] == page;
            if (atStage || atPage) killed = kill(run.pid, SIGKILL) == 0;
        }
        ASSERT_TRUE(killed) << stage;
        run.Wait();

        Child devices = Start({"history", "--json", "--limit", "1"});
        const std::string history = devices.ReadAll();
        devices.Wait();
        EXPECT_NE(history.find("\"result\":\"interrupted\""), std::string::npos) << stage << "\n" << history;

        Child again = Start({"update", "--yes", "RX93_Headset_v1_2_ef.txt"});
        const std::string said = again.ReadAll();
        EXPECT_EQ(again.Wait(), 0) << stage << "\n" << said;
    }
}

}  // namespace
