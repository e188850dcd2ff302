#include "firmware/catalogue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/found_devices.h"
#include "device/discovery.h"
#include "firmware/bounded_path.h"
#include "firmware/firmware_image.h"
#include "firmware/name_rules.h"
#include "sim/version_stamp.h"
#include "tests/firmware/temp_folder.h"
#include "tests/support/fake_system.h"

namespace {

using Names = std::vector<std::string>;

struct RecordingList : CatalogueList {
    Names names;
    Names labels;
    void AppendEntry(const char* name, const char* label) override {
        names.emplace_back(name);
        labels.emplace_back(label);
    }
};

// A working folder of the test's choosing and, when asked, a listing of
// made-up entries in a fixed order instead of the real one.
struct FolderSystem : FakeSystem {
    std::string workingFolder;
    bool fakeListing = false;
    std::vector<FolderEntry> listing;
    Names patterns;

    bool CurrentFolder(char* out, size_t size) override {
        if (failCurrentFolder || workingFolder.size() + 1 > size) return false;
        std::memcpy(out, workingFolder.c_str(), workingFolder.size() + 1);
        return true;
    }
    bool ListFolder(const char* pattern, FolderVisitor visit, void* context) override {
        patterns.emplace_back(pattern);
        if (!fakeListing) return FakeSystem::ListFolder(pattern, visit, context);
        for (const FolderEntry& entry : listing) {
            // Each entry in a block of its own size, so that a read past it shows.
            const auto copy = std::make_unique<FolderEntry>(entry);
            visit(*copy, context);
        }
        return true;
    }
};

class CatalogueTest : public TempFolderTest {
   protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        std::filesystem::create_directories(root / "files");
        system.workingFolder = folder;
        Device(KindHeadset, kProductHeadset, "RX93");
    }
    void Device(uint32_t kind, uint32_t productId, const char* model) {
        devices.deviceTable[0].kind = kind;
        devices.deviceTable[0].productId = productId;
        devices.firmwareLabel[0].modelText.Store(model);
    }
    std::string FilePath(const std::string& name) const { return Path(std::string("files") + kPathSeparator + name); }
    void WriteFirmware(const std::string& name, const std::string& bytes) { WriteBytes(FilePath(name), bytes); }
    void List(const Names& names) {
        system.fakeListing = true;
        system.listing.clear();
        for (const std::string& name : names) {
            FolderEntry entry{};
            std::snprintf(entry.name, sizeof entry.name, "%s", name.c_str());
            system.listing.push_back(entry);
        }
    }
    // Runs a scan; checks that each file comes with its own list text and
    // that the count returned is the count listed.
    Names Scan() {
        RecordingList list;
        listed = ScanFirmwareFolder(system, CatalogueDeviceOf(devices, 0), list);
        EXPECT_EQ(static_cast<size_t>(listed), list.names.size());
        for (size_t i = 0; i < list.names.size(); ++i) {
            char label[260];
            FormEntryLabel(list.names[i].c_str(), label, sizeof label);
            EXPECT_EQ(list.labels[i], label) << "row " << i;
        }
        lastLabel = list.labels.empty() ? "" : list.labels.back();
        return list.names;
    }
    Names SortedScan() {
        Names names = Scan();
        std::sort(names.begin(), names.end());
        return names;
    }
    FolderSystem system;
    FoundDevices devices;
    int32_t listed = -1;
    std::string lastLabel;
};

TEST_F(CatalogueTest, ANamedModelIsOfferedItsOwnFilesWithTheirVersion) {
    WriteFirmware("RX93_Base_v1_1_ef.txt", "00 Base_v1_1\n01\n");
    WriteFirmware("RX71_Base_v1_0_ef.txt", "00 Base_v1_0\n01\n");
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "00 Headset_v1_2\n");
    Device(KindAdapter, kProductAdapterA, "RX93");
    EXPECT_EQ(Scan(), (Names{"RX93_Base_v1_1_ef.txt"}));
    EXPECT_EQ(lastLabel, "v.1_1    ");
    Device(KindAdapter, kProductAdapterB, "RX71");
    EXPECT_EQ(Scan(), (Names{"RX71_Base_v1_0_ef.txt"}));
    Device(KindAdapter, kProductGenericAdapter, "");
    EXPECT_EQ(SortedScan(), (Names{"RX71_Base_v1_0_ef.txt", "RX93_Base_v1_1_ef.txt"}));
    Device(KindHeadset, kProductGenericHeadset, "");
    EXPECT_EQ(Scan(), (Names{"RX93_Headset_v1_2_ef.txt"}));
    Device(KindAdapter, kProductAdapterA, "");
    EXPECT_EQ(Scan(), Names{});
}

TEST_F(CatalogueTest, OnlyTheFirstLineIsSearchedForTheTag) {
    WriteFirmware("RX93_Headset_v1_1_b_ef.txt", "00 Headset_v1_1_b\r\n01\r\n");
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "00\n01 Headset_v1_2\n");
    WriteFirmware("RX93_Headset_v1_3_ef.txt", "00 Headset_v1_\n");
    WriteFirmware("RX93_Headset_v1_4_ef.txt", std::string(149, ' ') + "Headset_v1_4\n");  // past the first piece
    WriteFirmware("RX93_Headset_v1_5_ef.bin", std::string("\x00 Headset_v1_5\n", 15));
    WriteFirmware("RX93_Headset_v1_6_ef.bin", "\xff\x01\xfe" "Headset_v1_6\x1a");
    std::filesystem::create_directories(root / "files" / "RX93_Headset_v1_7_ef.txt");
    EXPECT_EQ(SortedScan(), (Names{"RX93_Headset_v1_1_b_ef.txt", "RX93_Headset_v1_6_ef.bin"}));
}

TEST_F(CatalogueTest, NamesWithoutTagOrVersionAreNotListed) {
    WriteFirmware("RX93_Headset_1_2_ef.txt", "00 Headset_1_2 v\n");
    WriteFirmware("RX93_Headsetv1.2ef.txt", "00 RX93_Headsetv1.2ef.txt\n");
    EXPECT_EQ(Scan(), Names{});
}

TEST_F(CatalogueTest, ListingOrderIsKeptAndNoLineCarriesOverToTheNextFile) {
    for (const char* version : {"3_0", "1_0", "2_0"}) {
        WriteFirmware("RX93_Headset_v" + std::string(version) + "_ef.txt",
                      "00 Headset_v" + std::string(version) + "\n");
    }
    WriteFirmware("RX93_Headset_v3_0_yef.txt", "");  // same tag as v3_0, but empty
    List({".", "..", "RX93_Headset_v3_0_ef.txt", "RX93_Headset_v3_0_xef.txt" /* vanished */,
          "RX93_Headset_v3_0_yef.txt", "RX93_Headset_v1_0_ef.txt", "RX93_Headset_v2_0_ef.txt",
          "RX93_Headset_v1_0_ef.txt" /* said to be a folder */});
    system.listing[0].isFolder = system.listing[1].isFolder = system.listing.back().isFolder = true;
    EXPECT_EQ(Scan(), (Names{"RX93_Headset_v3_0_ef.txt", "RX93_Headset_v1_0_ef.txt", "RX93_Headset_v2_0_ef.txt"}));
    EXPECT_EQ(system.patterns.back(), Path(std::string("files") + kPathSeparator + "*"));
}

TEST_F(CatalogueTest, At32FittingFilesTheRowsAreFullAndTheRestIsLeftOut) {
    Names listed;
    for (int i = 0; i < 40; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "RX93_Headset_v%03d_ef.txt", 39 - i);
        WriteFirmware(name, std::string("00 ") + (name + 5));
        listed.push_back(name);
    }
    List(listed);
    const Names names = Scan();
    EXPECT_EQ(this->listed, kCatalogueRows);
    EXPECT_EQ(names, Names(listed.begin(), listed.begin() + kCatalogueRows));
    EXPECT_EQ(lastLabel, "v.008    ");
}

TEST_F(CatalogueTest, NonAsciiNamesAreListed) {
    const std::string name = "RX93_Headset_v1_2_\xC3\xA9t\xC3\xA9_ef.txt";
    WriteFirmware(name, "00 Headset_v1_2_\xC3\xA9t\xC3\xA9\n");
    EXPECT_EQ(Scan(), Names{name});
}

TEST_F(CatalogueTest, OverlongNamesAndCutPathsAreNotUsed) {
    // A listed name so long that its path is cut at 259 characters: the cut
    // path names another file, which holds the tag, and must not be read.
    const std::string filesFolder = FilePath("");
    ASSERT_LT(filesFolder.size(), 200u);
    const std::string longName = "RX93_Headset_v1_2_ef_" + std::string(259 - 21, 'y');
    const std::string cutName = longName.substr(0, kPathChars - 1 - filesFolder.size());
    WriteFirmware(cutName, "00 Headset_v1_2_ef\n");
    std::string unterminated(sizeof(FolderEntry::name), 'z');
    unterminated.replace(0, cutName.size(), cutName);
    List({longName, cutName});
    FolderEntry full{};
    std::memcpy(full.name, unterminated.data(), sizeof full.name);  // no terminator
    system.listing.push_back(full);
    EXPECT_EQ(Scan(), Names{cutName});
}

TEST_F(CatalogueTest, WithoutAWorkingOrFilesFolderNothingIsListed) {
    system.failCurrentFolder = true;
    EXPECT_EQ(Scan(), Names{});
    EXPECT_EQ(listed, 0);
    system.failCurrentFolder = false;
    std::filesystem::remove_all(root / "files");
    EXPECT_EQ(Scan(), Names{});
    EXPECT_EQ(listed, 0);
    EXPECT_EQ(system.patterns.size(), 1u);
}

TEST(BoundedPathTest, AppendsCutAt259CharactersAndReportIt) {
    char path[kPathChars] = {};
    EXPECT_TRUE(AppendBounded(path, std::string(250, 'a').c_str()));
    EXPECT_TRUE(AppendBounded(path, "123456789"));
    EXPECT_FALSE(AppendBounded(path, "b"));
    EXPECT_EQ(std::strlen(path), 259u);
    char small[4] = {'x', 'y', 'z', 'w'};  // not terminated
    EXPECT_FALSE(AppendBounded(small, "q"));
    EXPECT_STREQ(small, "xyz");

    FolderSystem root;
    root.workingFolder = std::string("C:") + kPathSeparator;
    char folder[kPathChars];
    ASSERT_TRUE(FilesFolderPath(root, folder));
    EXPECT_EQ(std::string(folder), std::string("C:") + kPathSeparator + "files" + kPathSeparator);
    root.workingFolder = std::string(253, 'd');
    EXPECT_FALSE(FilesFolderPath(root, folder));
}

#ifdef FIRMWARE_SAMPLES_TOOL
// The sample firmware that the build writes for the simulator: each device
// is offered its own files, no decoy, and every file carries the version
// reply its name promises.
TEST_F(CatalogueTest, SampleFirmwareFitsTheNamingRules) {
    const std::string command = std::string("\"") + FIRMWARE_SAMPLES_TOOL + "\" \"" + folder + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Names rx93Headset{"RX93_Headset_v1_1_ef.txt", "RX93_Headset_v1_2_ef.txt", "RX93_Headset_v1_3_24AA512_ef.txt",
                            "RX93_Headset_v1_4_24C512_ef.txt", "RX93_Headset_v1_5_ef.txt"};
    const Names rx71Headset{"RX71_Headset_v1_1_ef.txt", "RX71_Headset_v1_2_24C1024_ef.txt"};
    const Names rx93Base{"RX93_Base_v1_1_ef.txt", "RX93_Base_v1_2_45PE10_ef.txt"};
    const Names rx71Base{"RX71_Base_v1_0_ef.txt", "RX71_Base_v1_1_25L2006_ef.txt"};
    const auto join = [](Names a, const Names& b, const char* generic) {
        a.insert(a.end(), b.begin(), b.end());
        a.push_back(generic);
        std::sort(a.begin(), a.end());
        return a;
    };
    const Names headsets = join(rx71Headset, rx93Headset, "Headset_v2_1_ef.txt");
    const Names bases = join(rx71Base, rx93Base, "Base_v2_0_ef.txt");

    EXPECT_EQ(SortedScan(), rx93Headset);
    Device(KindHeadset, kProductHeadset, "RX71");
    EXPECT_EQ(SortedScan(), rx71Headset);
    Device(KindAdapter, kProductAdapterA, "RX93");
    EXPECT_EQ(SortedScan(), rx93Base);
    Device(KindAdapter, kProductAdapterB, "RX71");
    EXPECT_EQ(SortedScan(), rx71Base);
    Device(KindHeadset, kProductGenericHeadset, "");
    EXPECT_EQ(SortedScan(), headsets);
    Device(KindAdapter, kProductGenericAdapter, "");
    EXPECT_EQ(SortedScan(), bases);

    for (const Names& group : {headsets, bases}) {
        for (const std::string& name : group) {
            FirmwareImage image;
            ASSERT_TRUE(LoadFirmwareImage(FilePath(name).c_str(), image)) << name;
            if (name == "RX93_Headset_v1_5_ef.txt") {
                EXPECT_EQ(image.pageCount, 65);  // the identity page case
            } else {
                EXPECT_GE(image.pageCount, 4) << name;
                EXPECT_LE(image.pageCount, 12) << name;
            }
            uint8_t reply[sim::kStampReplyBytes] = {};
            EXPECT_TRUE(sim::ReadVersionStamp(image.imageBytes, image.byteCount, reply)) << name;
            const std::string model = name.rfind("RX", 0) == 0 ? "_" + name.substr(0, 4) : "";
            const char* text = reinterpret_cast<const char*>(reply);
            EXPECT_EQ(std::string(text, std::find(text, text + sizeof reply, '\0')),
                      name.substr(name.find('v'), 4) + model);
            ReleaseFirmwareImage(image);
        }
    }
}
#endif

}  // namespace

namespace {

// The scan and the command line's --all share one test per entry; each
// reason a file is left out has its own verdict.
TEST_F(CatalogueTest, EachEntryIsJudgedWithTheReasonItIsLeftOut) {
    WriteFirmware("RX93_Headset_v1_2_ef.txt", "00 Headset_v1_2\n");
    WriteFirmware("RX93_Headset_v1_3_ef.txt", "00\n01 Headset_v1_3\n");
    WriteFirmware("RX93_Headset_v1_4_ef.txt", "");
    WriteFirmware("RX93_Headset_V1_5_ef", "00 Headset_V1_5\n");
    WriteFirmware("RX93_Headsetef.txt", "00\n");
    WriteFirmware("RX71_Headset_v1_2_ef.txt", "00 Headset_v1_2\n");
    char filesFolder[kPathChars];
    ASSERT_TRUE(FilesFolderPath(system, filesFolder));
    const CatalogueDevice device = CatalogueDeviceOf(devices, 0);
    auto check = [&](const char* name, bool isFolder = false) {
        FolderEntry entry{};
        std::snprintf(entry.name, sizeof entry.name, "%s", name);
        entry.isFolder = isFolder;
        CatalogueCheck out;
        CheckCatalogueEntry(filesFolder, entry, device, out);
        return out;
    };
    const CatalogueCheck fits = check("RX93_Headset_v1_2_ef.txt");
    EXPECT_EQ(fits.verdict, EntryFits);
    EXPECT_STREQ(fits.label, "v.1_2    ");
    const CatalogueCheck secondLine = check("RX93_Headset_v1_3_ef.txt");
    EXPECT_EQ(secondLine.verdict, EntryTagNotInFirstLine);
    EXPECT_STREQ(secondLine.tag, "Headset_v1_3");
    EXPECT_EQ(check("RX93_Headset_v1_4_ef.txt").verdict, EntryNoFirstLine);
    EXPECT_EQ(check("RX93_Headset_v9_9_ef.txt").verdict, EntryNoFirstLine);  // not there at all
    EXPECT_EQ(check("RX93_Headset_V1_5_ef").verdict, EntryNoVersion);
    EXPECT_EQ(check("RX93_Headsetef.txt").verdict, EntryNoTag);
    EXPECT_EQ(check("RX93_Headset_v1_2_ef.txt", true).verdict, EntryFolder);
    const CatalogueCheck misfit = check("RX71_Headset_v1_2_ef.txt");
    EXPECT_EQ(misfit.verdict, EntryNameMisfit);
    EXPECT_EQ(misfit.name.verdict, NameLacksWord);
}

}  // namespace
