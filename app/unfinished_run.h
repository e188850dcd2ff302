// A unit left half-programmed: when a device of a supported product answers
// with a version reply the program does not recognise, the history may hold
// an update of that very unit that changed it and did not pass. That run
// names the model and the file to finish it with. Units are told apart by
// their identity bytes; units that carry none cannot be, and are never tied
// to a model by the history.
#pragma once

#include <cstddef>
#include <cstdint>

#include "firmware/catalogue.h"
#include "platform/system.h"

struct FoundDevices;
struct RunRequest;

enum UnitTie {
    TieNone,         // a recognised reply, or no run of this unit left it unfinished
    TieFound,        // the newest run of this unit changed it and did not pass
    TieUnitsAlike,   // such a run exists, but units without identity bytes cannot be told apart
};

struct UnfinishedRun {
    UnitTie tie = TieNone;
    char model[8] = {};
    char file[kPathChars] = {};
    char sha256[65] = {};
    int32_t page = 0;          // 1-based page where it stopped; 0 when the program was ended unseen
    int32_t pages = 0;
    bool interrupted = false;  // nothing settled the run: the program was ended during it
};

// Looks in the history at `historyPath` for the device in row 0 of
// `devices`. Reads the file only for a supported product whose reply was
// not recognised.
UnfinishedRun FindUnfinishedRun(const char* historyPath, const FoundDevices& devices);

// Ties the request's unit model to the device in row 0: `model`, or none
// when it is empty.
void TieUnitModel(RunRequest& request, const FoundDevices& devices, const char* model);
// The model `run` ties the unit to: its own when found, else none.
inline const char* TiedModel(const UnfinishedRun& run) { return run.tie == TieFound ? run.model : ""; }

// What to say about the run, in the words of the table of texts ("The last
// update of this headset stopped at page 40 of 64. Choose a file to finish
// it."); empty for TieNone.
void DescribeUnfinishedRun(const UnfinishedRun& run, uint32_t kind, char* out, size_t size);

// The history of this computer, for the device in row 0 (FindUnfinishedRun
// on the data folder's history); TieNone when there is no data folder.
UnfinishedRun LookForUnfinishedRun(System& system, const FoundDevices& devices);

// Lists what a scan hands it with the run's own file first, when that file
// is still in the files folder with the digest the run recorded; the others
// follow in the scan's order. Call Deliver once the scan is done.
struct OwnFileFirst final : CatalogueList {
    OwnFileFirst(System& system, const UnfinishedRun& run, CatalogueList& to) : system_(system), run_(run), to_(to) {}
    void AppendEntry(const char* name, const char* label) override;
    void Deliver();

   private:
    struct Entry {
        char name[kPathChars];
        char label[kPathChars];
    };
    bool IsOwnFile(const char* name) const;
    System& system_;
    const UnfinishedRun& run_;
    CatalogueList& to_;
    Entry entries_[kCatalogueRows] = {};
    int count_ = 0;
    int own_ = -1;
};
