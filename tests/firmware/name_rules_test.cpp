#include "firmware/name_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "app/updater_state.h"
#include "device/discovery.h"

namespace {

struct FitCase {
    uint32_t kind;
    uint32_t productId;
    const char* model;
    const char* name;
    bool fits;
};

TEST(NamingRulesTest, EachDeviceTakesOnlyTheNamesOfItsRule) {
    const FitCase cases[] = {
        // Named adapters: both tries, each with its own model.
        {12, kProductAdapterA, "RX93", "RX93_Base_v1_1_ef.txt", true},
        {12, kProductAdapterA, "RX93", "RX71_Base_v1_0_ef.txt", false},
        {12, kProductAdapterA, "RX71", "RX71_Base_v1_0_ef.txt", true},
        {12, kProductAdapterB, "RX71", "RX71_Base_v1_0_ef.txt", true},
        {12, kProductAdapterB, "RX71", "RX93_Base_v1_0_ef.txt", false},
        {12, kProductAdapterB, "RX93", "RX93_Base_v1_0.txt", false},     // no "ef"
        {12, kProductAdapterB, "RX71", "RX93_Base_RX71_Base_ef", true},  // second try after the model fails
        {12, kProductAdapterA, "RX93", "RX93_Headset_v1_0_ef.txt", false},
        // Named headsets.
        {13, kProductHeadset, "RX93", "RX93_Headset_v1_2_ef.txt", true},
        {13, kProductHeadset, "RX93", "RX71_Headset_v1_2_ef.txt", false},
        {13, kProductHeadset, "RX71", "RX71_Headset_v1_2_ef.txt", true},
        {13, kProductHeadset, "RX93", "RX93_Base_v1_2_ef.txt", false},
        {13, kProductHeadset, "RX93", "v1_2_efRX93_Headset", true},  // the words may stand anywhere
        // An unrecognised reply leaves the model empty: nothing fits.
        {12, kProductAdapterA, "", "RX93_Base_v1_1_ef.txt", false},
        {13, kProductHeadset, "", "RX71_Headset_v1_1_ef.txt", false},
        // Generic ids take every file of their kind, model files included.
        {12, kProductGenericAdapter, "", "RX71_Base_v1_0_ef.txt", true},
        {12, kProductGenericAdapter, "", "Base_v2_0_ef.txt", true},
        {12, kProductGenericAdapter, "", "Headset_v2_0_ef.txt", false},
        {13, kProductGenericHeadset, "", "RX93_Headset_v1_2_ef.txt", true},
        {13, kProductGenericHeadset, "RX71", "Headset_v2_1_ef.txt", true},
        {13, kProductGenericHeadset, "", "Headset_v2_1_EF.txt", false},  // case-sensitive
        // Other pairings of kind and id take nothing.
        {12, kProductHeadset, "RX93", "RX93_Base_v1_1_ef.txt", false},
        {13, kProductAdapterA, "RX93", "RX93_Headset_v1_1_ef.txt", false},
        {13, kProductGenericAdapter, "", "Headset_Base_ef", false},
        {14, kProductHeadset, "RX93", "RX93_Headset_v1_1_ef.txt", false},
        {12, 0x12345678, "RX93", "RX93_Base_v1_1_ef.txt", false},
    };
    for (const FitCase& c : cases) {
        EXPECT_EQ(FileFitsDevice(c.name, c.kind, c.productId, c.model), c.fits)
            << c.name << " kind " << c.kind << " id " << std::hex << c.productId << " model " << c.model;
    }
    EXPECT_FALSE(FileFitsDevice("RX93_Headset_v1_1_ef.txt", 13, kProductHeadset, nullptr));
}

// What `form` writes for `name` into a buffer of `size`; "<none:...>" with
// what is left in the buffer when it fails.
std::string Formed(bool (*form)(const char*, char*, size_t), const char* name, size_t size) {
    char text[260] = "stale";
    return form(name, text, size) ? text : "<none:" + std::string(text) + ">";
}
std::string Tag(const char* name, size_t size = 260) { return Formed(&FormFileTag, name, size); }
std::string Label(const char* name, size_t size = 260) { return Formed(&FormEntryLabel, name, size); }

TEST(FileTagTest, TextBetweenTheFirstAndTheLastUnderscore) {
    EXPECT_EQ(Tag("RX93_Base_v1_1_ef.txt"), "Base_v1_1");
    EXPECT_EQ(Tag("RX93_Headset_v1_1_b_ef.txt"), "Headset_v1_1_b");
    EXPECT_EQ(Tag("Base_v2_0_ef.txt"), "v2_0");
    EXPECT_EQ(Tag("a__b"), "");
    EXPECT_EQ(Tag("RX93_Headsetv1ef.txt"), "<none:>");
    EXPECT_EQ(Tag("RX93Headset"), "<none:>");
    EXPECT_EQ(Tag("RX93_Base_v1_1_ef.txt", 9), "<none:>");  // "Base_v1_1" needs 10
    EXPECT_EQ(Tag("RX93_Base_v1_1_ef.txt", 10), "Base_v1_1");
}

TEST(EntryLabelTest, UpToThreeCharactersAfterTheFirstVAndFourSpaces) {
    EXPECT_EQ(Label("RX93_Base_v1_1_ef.txt"), "v.1_1    ");
    EXPECT_EQ(Label("RX93_Headset_v12345_ef"), "v.123    ");
    EXPECT_EQ(Label("v9_9_v1_1"), "v.9_9    ");
    EXPECT_EQ(Label("Base_v2"), "v.2    ");
    EXPECT_EQ(Label("Base_v"), "v.    ");
    EXPECT_EQ(Label("RX93_Base_V1_1_ef.txt"), "<none:>");
    EXPECT_EQ(Label("RX93_Base_v1_1_ef.txt", 9), "<none:>");
    EXPECT_EQ(Label("RX93_Base_v1_1_ef.txt", 10), "v.1_1    ");
}

}  // namespace

namespace {

// The explanation applies the rule of the device's own model, and names the
// word that the name lacks; it fits exactly when FileFitsDevice says so.
TEST(NamingRulesTest, AMisfitIsExplainedByTheRuleOfTheDevicesModel) {
    struct Case {
        uint32_t kind, productId;
        const char* model;
        const char* name;
        NameVerdict verdict;
        const char* word;
    };
    const Case cases[] = {
        {13, kProductHeadset, "RX93", "RX93_Headset_v1_2_ef.txt", NameFits, ""},
        {13, kProductHeadset, "RX93", "RX71_Headset_v1_2_ef.txt", NameLacksWord, "RX93_Headset"},
        {13, kProductHeadset, "RX71", "RX93_Headset_v1_2_ef.txt", NameLacksWord, "RX71_Headset"},
        {13, kProductHeadset, "RX93", "RX93_Headset_v1_2.txt", NameLacksEf, "RX93_Headset"},
        {12, kProductGenericAdapter, "", "Headset_v1_ef", NameLacksWord, "Base"},
        {13, kProductHeadset, "", "RX93_Headset_v1_2_ef.txt", NameModelUnknown, ""},
        {13, kProductHeadset, "RX55", "RX93_Headset_v1_2_ef.txt", NameModelUnknown, ""},
        {12, kProductHeadset, "RX93", "RX93_Base_v1_1_ef.txt", NameNoRule, ""},
        {14, kProductHeadset, "RX93", "RX93_Headset_v1_1_ef.txt", NameNoRule, ""},
    };
    for (const Case& c : cases) {
        const NameCheck check = CheckFileName(c.name, c.kind, c.productId, c.model);
        EXPECT_EQ(check.verdict, c.verdict) << c.name << " model " << c.model;
        EXPECT_STREQ(check.word, c.word) << c.name;
        EXPECT_EQ(check.verdict == NameFits, FileFitsDevice(c.name, c.kind, c.productId, c.model)) << c.name;
    }
}

}  // namespace
