// The firmware catalogue: the files of the `files` folder that fit a found
// device, offered in the firmware selection dialog and by the command line.
#pragma once

#include <cstdint>

#include "firmware/name_rules.h"
#include "platform/system.h"

struct FoundDevices;

inline constexpr int kFirstLineChars = 150;  // the first-line buffer, terminator included
inline constexpr int kCatalogueRows = 32;    // the most files a scan lists

// Where the scan adds each fitting file, in order: its name in the files
// folder and its list text ("v.1_2    "). The selection dialog keeps the
// names and lists the texts.
struct CatalogueList {
    virtual ~CatalogueList() = default;
    virtual void AppendEntry(const char* name, const char* label) = 0;
};

// True when the file `name` in `folder` (a path ending in its separator) fits
// the device: its name passes the device's naming rule, a tag and a version
// can be formed from it, its full path is not cut, and its first line holds
// the tag. The scan lists exactly the files for which this holds, and a run
// checks it again before it touches the device.
bool FirmwareFileFits(const char* folder, const char* name, uint32_t kind, uint32_t productId, const char* modelText);

// The device a file is tested against: a row of the found devices as a scan
// sees it.
struct CatalogueDevice {
    uint32_t kind = 0;
    uint32_t productId = 0;
    char modelText[32] = {};
};
CatalogueDevice CatalogueDeviceOf(const FoundDevices& devices, int row);

// Lists the files of the files folder that fit `device`, in the listing's own
// order, and returns how many it listed. Each listed file's name fits the
// device's naming rule and its first line holds the name's tag.
//
// Left out, silently:
// - files past the 32nd that fit (the rows are full);
// - names with fewer than two underscores or without a lower-case "v" (no
//   tag or version can be formed);
// - files that cannot be opened or are empty (there is no first line to
//   test; no line of another file is ever used);
// - names whose full path would be cut at 259 characters (the cut path
//   would name some other file, which the update would then program).
// When the working folder or the `files` folder cannot be had, nothing is
// listed.
int32_t ScanFirmwareFolder(System& system, const CatalogueDevice& device, CatalogueList& list);

// The test the scan applies to one entry of the files folder, and why an
// entry is left out; the command line tells it for every file it lists.
enum CatalogueVerdict {
    EntryFits,
    EntryFolder,
    EntryNameCut,           // the listing cut the name at 259 characters
    EntryNameMisfit,        // the naming rule fails: see `name`
    EntryNoTag,             // fewer than two underscores
    EntryNoVersion,         // no lower-case "v"
    EntryPathTooLong,
    EntryNoFirstLine,       // the file cannot be opened, or is empty
    EntryTagNotInFirstLine,
};

struct CatalogueCheck {
    CatalogueVerdict verdict = EntryFolder;
    NameCheck name;
    char tag[kPathChars] = {};    // once formed
    char label[kPathChars] = {};  // the list text, once formed
};

// Tests `entry` of `folder` ("<working folder>/files/") for `device`.
void CheckCatalogueEntry(const char* folder, const FolderEntry& entry, const CatalogueDevice& device,
                         CatalogueCheck& out);
