// The reasons a person reads: the table's words with their values filled.
#include "app/run_reason.h"

#include <gtest/gtest.h>

#include <string>

#include "app/user_texts.h"

namespace {

std::string Reason(const RunOutcome& outcome, uint32_t kind = 13, const char* file = "RX93_Headset_v1_2_ef.txt") {
    char text[200];
    FormatRunReason(outcome, kind, file, text, sizeof text);
    return text;
}

TEST(RunReasonTest, TheStageAndTheCauseInTheirOwnWords) {
    RunOutcome programming;
    programming.stage = StageProgram;
    programming.cause = CauseNoAnswer;
    programming.page = 12;
    programming.pageCount = 64;
    programming.status = -7;
    EXPECT_EQ(Reason(programming), "Stopped while programming page 12 of 64: the headset did not answer (status -7).");

    RunOutcome refused;
    refused.cause = CauseFileNoNumber;
    refused.line = 17;
    EXPECT_EQ(Reason(refused), "The file RX93_Headset_v1_2_ef.txt is not a firmware image: line 17 has no number.");

    RunOutcome changed;
    changed.cause = CauseDeviceChanged;
    EXPECT_EQ(Reason(changed), "The device changed before the update started.");

    RunOutcome connect;
    connect.stage = StageConnect;
    connect.cause = CauseNoAnswer;
    connect.status = -6;
    EXPECT_EQ(Reason(connect, 12),
              "Could not connect to the adapter (status -6). Check the USB connection and press Try Again.");

    RunOutcome large;
    large.cause = CauseFileTooLarge;
    EXPECT_EQ(Reason(large), "The file RX93_Headset_v1_2_ef.txt is not a firmware image: it has more than 192 pages.");

    EXPECT_EQ(Reason(RunOutcome{}), "");
}

TEST(UserTextsTest, BracesFillCutAndStayWhenUnknown) {
    TextArgs args;
    args.device = "headset";
    char text[16];
    FormatText(TextReasonSeveralDevices, args, text, sizeof text);
    EXPECT_STREQ(text, "Several devices");  // cut at the buffer, terminated
    char wide[200];
    FormatText(TextReasonNoDevice, TextArgs{}, wide, sizeof wide);
    EXPECT_STREQ(wide, "No device was connected when the run began. Connect the  and press Try Again.");
    // Every text's braces name a known value: none is left standing.
    for (int id = 0; id < TextCount; ++id) {
        FormatText(static_cast<TextId>(id), args, wide, sizeof wide);
        EXPECT_EQ(std::string(wide).find('{'), std::string::npos) << Text(static_cast<TextId>(id));
    }
}

}  // namespace
