// Start-up's library step: each way it can fail gives its own problem, exit
// code and message, against real library files in the test's folder.
#include "app/library_startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/exit_codes.h"
#include "device/library_session.h"
#include "device/pe_machine.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_folder.h"

namespace {

class LibraryStartupTest : public ::testing::Test {
   protected:
    void TearDown() override {
        if (session.library.AvDllShutdown != nullptr && session.lastStatus == 0) session.library.AvDllShutdown();
        if (session.libraryModule != nullptr) system.UnloadDynamicLibrary(session.libraryModule);
    }
    void Place(const char* library) {
        std::filesystem::copy_file(library, "hostapi_vmi.dll");
    }
    void DeviceFile(const char* text) { std::ofstream("sim_devices.txt") << text; }
    std::string Message(const char* otherProgram = "VeltraneUpdater32.exe") {
        char text[1024];
        FormatStartupProblem(report, otherProgram, text, sizeof text);
        return text;
    }
    std::string Folder() const { return std::filesystem::current_path().string(); }

    ScopedTestFolder folder;
    FakeSystem system;
    LibrarySession session;
    StartupReport report;
};

TEST_F(LibraryStartupTest, TheSimulatorStartsAndIsInitialised) {
    Place(ScopedTestFolder::SimulatorLibrary());
    DeviceFile("trace sim_trace.log\n");
    EXPECT_EQ(StartDeviceLibrary(system, session, kProgramMachine, report), StartupReady);
    EXPECT_EQ(StartupExitCode(report.problem), ExitNormal);
    EXPECT_NE(session.library.AvDllShutdown, nullptr);
    EXPECT_EQ(session.lastStatus, 0);
    EXPECT_EQ(system.standardOutput, "");
}

TEST_F(LibraryStartupTest, AMissingLibraryNamesTheFileAndTheFolder) {
    EXPECT_EQ(StartDeviceLibrary(system, session, kMachineAmd64, report), StartupNoLibrary);
    EXPECT_EQ(StartupExitCode(report.problem), ExitNoLibrary);
    EXPECT_EQ(session.libraryModule, nullptr);
    EXPECT_EQ(Message(), "The device library hostapi_vmi.dll is missing from " + Folder() +
                             ". Start Veltrane Updater from its own folder, or copy the device library that came "
                             "with your headset into it.");
}

// The header is read before anything of the file runs: a library of the
// other architecture, or no library at all, is never loaded.
TEST_F(LibraryStartupTest, TheOtherArchitectureIsNamedAndNotLoaded) {
    std::string header(0x98, '\0');
    header.replace(0, 2, "MZ");
    header[0x3C] = static_cast<char>(0x80);
    header.replace(0x80, 6, std::string("PE\0\0\x4C\x01", 6));
    std::ofstream("hostapi_vmi.dll", std::ios::binary) << header;
    EXPECT_EQ(StartDeviceLibrary(system, session, kMachineAmd64, report), StartupOtherArchitecture);
    EXPECT_EQ(StartupExitCode(report.problem), ExitOtherArchitecture);
    EXPECT_EQ(session.libraryModule, nullptr);
    EXPECT_EQ(Message(), "The device library hostapi_vmi.dll in " + Folder() +
                             " is a 32-bit library, and this program is 64-bit. Start VeltraneUpdater32.exe from "
                             "the same folder instead.");

    header[0x84] = '\x64';
    header[0x85] = '\x86';
    std::ofstream("hostapi_vmi.dll", std::ios::binary) << header;
    EXPECT_EQ(StartDeviceLibrary(system, session, kMachineI386, report), StartupOtherArchitecture);
    EXPECT_NE(Message("VeltraneUpdater.exe").find("is a 64-bit library, and this program is 32-bit. Start "
                                                  "VeltraneUpdater.exe from"),
              std::string::npos);

    std::ofstream("hostapi_vmi.dll", std::ios::binary) << "not a library at all";
    EXPECT_EQ(StartDeviceLibrary(system, session, kMachineAmd64, report), StartupNotALibrary);
    EXPECT_EQ(StartupExitCode(report.problem), ExitNotALibrary);
    EXPECT_EQ(session.libraryModule, nullptr);
}

TEST_F(LibraryStartupTest, AMissingEntryPointIsNamedAndKeepsItsLine) {
    Place(ScopedTestFolder::LibraryWithoutPairedIdSet());
    EXPECT_EQ(StartDeviceLibrary(system, session, kProgramMachine, report), StartupMissingEntry);
    EXPECT_EQ(StartupExitCode(report.problem), ExitMissingEntryPoint);
    EXPECT_EQ(system.standardOutput, "Failed to find systemPairedArbDeviceIdSet\n");
    EXPECT_NE(Message().find(" lacks the entry point systemPairedArbDeviceIdSet. "), std::string::npos);
    session.lastStatus = -1;  // not initialised: nothing to shut down
}

TEST_F(LibraryStartupTest, AFailingInitialiseGivesItsStatus) {
    Place(ScopedTestFolder::SimulatorLibrary());
    DeviceFile("init fail\n");
    EXPECT_EQ(StartDeviceLibrary(system, session, kProgramMachine, report), StartupInitializeFailed);
    EXPECT_EQ(StartupExitCode(report.problem), ExitInitializeFailed);
    EXPECT_EQ(session.lastStatus, -1);
    EXPECT_EQ(Message(), "The device library hostapi_vmi.dll in " + Folder() +
                             " did not start (status -1). Unplug the adapter, plug it back in, then start Veltrane "
                             "Updater again.");
}

}  // namespace
