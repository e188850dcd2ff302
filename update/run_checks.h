// What must hold before a run touches the device: it is the one device
// attached, the device the firmware was chosen for, and the chosen file
// still fits it. A file chosen for one device is thus never written into
// another, whatever changed between the choice and the run.
#pragma once

#include "firmware/catalogue.h"
#include "update/run_outcome.h"

struct FirmwareImage;
struct FoundDevices;
struct RunRequest;
struct RunSeat;
struct System;

// The model of the device in row `row`: its reply's, or, when the reply was
// not recognised, the request's unit model if it names this very unit.
// Empty when neither.
void DeviceModel(const RunRequest& request, const FoundDevices& devices, int row, char (&model)[8]);
// The device the files folder is scanned for, with that model.
CatalogueDevice CatalogueDeviceFor(const RunRequest& request, const FoundDevices& devices, int row);

// Makes `fileName` the chosen firmware and the device in row 0 of `devices`
// the one it is chosen for. Called where a person chooses (Select, the
// command line).
void ChooseFirmware(RunRequest& request, const FoundDevices& devices, const char* fileName);

// CauseNone when exactly one device is listed and it has the product id,
// kind and model the firmware was chosen for; else CauseNoDevice,
// CauseSeveralDevices or CauseDeviceChanged.
RunCause CheckRunDevice(const RunRequest& request, const FoundDevices& devices);

// CauseNone when the chosen file in `folder` (ending in its separator) fits
// the device in the request's row by the naming rules and its first-line tag,
// exactly as the catalogue lists it; else CauseFileDoesNotFit.
RunCause CheckRunFile(const RunRequest& request, const FoundDevices& devices, const char* folder);

// Everything a run does before it touches the device, in order: the working
// folder, the device check (against the discovery pass that the front end
// runs right before the run), the file check, the memory type from the file's
// name, the digest published beside the file, and loading the image (an
// empty image is refused: it would program nothing and still pass). Fills
// `outcome`'s line, byte and page counts and tells the seat what was loaded.
// CauseNone when the run may go on; otherwise `image` holds nothing.
RunCause PrepareRun(RunRequest& request, const FoundDevices& devices, System& system, RunSeat& seat,
                    FirmwareImage& image, RunOutcome& outcome);
