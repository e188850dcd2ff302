// The exit codes are a contract with scripts: their numbers, their names,
// the --help table, and which end of a run gives which.
#include "cli/exit_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/updater_state.h"

namespace {

TEST(ExitCodesTest, NumbersAndNamesAreFixedAndTheHelpTableListsEach) {
    const std::pair<CliExitCode, int> numbers[] = {
        {ExitSuccess, 0},        {ExitRunFailed, 1},   {ExitUsage, 2},        {ExitVerifyMismatch, 3},
        {ExitNoDevice, 4},       {ExitSeveralDevices, 5}, {ExitFileRefused, 6}, {ExitLibraryProblem, 7},
        {ExitDeviceBusy, 8},     {ExitInterrupted, 130},
    };
    std::set<std::string> names;
    const std::string table = ExitCodeTable();
    for (const auto& [code, number] : numbers) {
        EXPECT_EQ(static_cast<int>(code), number);
        const std::string name = ExitCodeName(code);
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_NE(table.find(std::to_string(number) + "  " + name), std::string::npos) << table;
    }
}

TEST(ExitCodesTest, EachEndOfARunHasItsCode) {
    auto code = [](RunCause cause, int32_t screenMode = ScreenFailed) {
        RunOutcome outcome;
        outcome.cause = cause;
        outcome.screenMode = screenMode;
        return ExitCodeForOutcome(outcome);
    };
    EXPECT_EQ(code(CauseNone, ScreenPassed), ExitSuccess);
    EXPECT_EQ(code(CauseNoAnswer), ExitRunFailed);
    EXPECT_EQ(code(CauseResetFailed), ExitRunFailed);
    EXPECT_EQ(code(CauseMismatch), ExitVerifyMismatch);
    EXPECT_EQ(code(CauseIdentityMismatch, ScreenIdMismatch), ExitVerifyMismatch);
    EXPECT_EQ(code(CauseNoDevice), ExitNoDevice);
    EXPECT_EQ(code(CauseSeveralDevices), ExitSeveralDevices);
    EXPECT_EQ(code(CauseFileDoesNotFit), ExitFileRefused);
    EXPECT_EQ(code(CauseFileNoNumber), ExitFileRefused);
    EXPECT_EQ(code(CauseDigestMismatch), ExitFileRefused);
    EXPECT_EQ(code(CauseDeviceBusy), ExitDeviceBusy);
    EXPECT_EQ(code(CauseInterrupted), ExitInterrupted);
    // A run that never set a pass is no success, whatever else it left.
    EXPECT_EQ(code(CauseNone, ScreenIdle), ExitRunFailed);
}

}  // namespace
