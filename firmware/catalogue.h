// The firmware catalogue: the files of the `files` folder that fit the
// device in row activeDeviceRow, offered in the firmware selection dialog.
#pragma once

#include <cstdint>

#include "firmware/name_rules.h"
#include "platform/system.h"

struct UpdaterState;

inline constexpr int kFirstLineChars = 150;  // the first-line buffer, terminator included

// Where the scan adds one text per fitting file, in order; the selection
// dialog's list box implements it.
struct CatalogueList {
    virtual ~CatalogueList() = default;
    virtual void AppendRow(const char* text) = 0;
};

// True when the file `name` in `folder` (a path ending in its separator) fits
// the device: its name passes the device's naming rule, a tag and a version
// can be formed from it, its full path is not cut, and its first line holds
// the tag. The scan lists exactly the files for which this holds, and a run
// checks it again before it touches the device.
bool FirmwareFileFits(const char* folder, const char* name, uint32_t kind, uint32_t productId, const char* modelText);

// Lists the fitting files in the listing's own order: row i of `list` and
// state.catalogueNames[i] always name the same file, and catalogueCount is
// the number of rows. Each listed file's name fits the device's naming rule
// and its first line holds the name's tag. Called on the UI thread, on an
// emptied list.
//
// Left out, silently:
// - files past the 32nd that fit (the rows are full; list and names stay
//   parallel);
// - names with fewer than two underscores or without a lower-case "v" (no
//   tag or version can be formed);
// - files that cannot be opened or are empty (there is no first line to
//   test; no line of another file is ever used);
// - names whose full path would be cut at 259 characters (the cut path
//   would name some other file, which the update would then program).
// When the working folder or the `files` folder cannot be had, nothing is
// listed, catalogueCount is 0 and catalogueNames keeps its rows.
void ScanFirmwareFolder(UpdaterState& state, CatalogueList& list);

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

// The device a file is tested against: row activeDeviceRow as a scan sees it.
struct CatalogueDevice {
    uint32_t kind = 0;
    uint32_t productId = 0;
    char modelText[32] = {};
};
CatalogueDevice CatalogueDeviceOf(const UpdaterState& state, int row);

// Tests `entry` of `folder` ("<working folder>/files/") for `device`.
void CheckCatalogueEntry(const char* folder, const FolderEntry& entry, const CatalogueDevice& device,
                         CatalogueCheck& out);
