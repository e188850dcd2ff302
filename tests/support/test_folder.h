// Gives a test its own working folder (run/work/<suite>.<test>), so that
// tests running at the same time never share a device file or firmware
// files. The previous working folder is restored at the end.
#pragma once

#include <filesystem>
#include <string>

class ScopedTestFolder {
   public:
    ScopedTestFolder();
    ~ScopedTestFolder();
    ScopedTestFolder(const ScopedTestFolder&) = delete;
    ScopedTestFolder& operator=(const ScopedTestFolder&) = delete;

    // The path of the simulator library (built into the tests' run folder)
    // as seen from the test's folder, and of the variants lacking an entry.
    static const char* SimulatorLibrary() { return "../../hostapi_vmi.dll"; }
    static const char* LibraryWithoutPairedIdSet() { return "../../no_paired/hostapi_vmi.dll"; }
    static const char* LibraryWithoutSerialMemWrite() { return "../../no_write/hostapi_vmi.dll"; }

   private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};
