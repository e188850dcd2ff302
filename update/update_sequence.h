// RunUpdate: one whole operation on the attached device. It loads the chosen
// firmware file, connects, puts the device into ROM mode, programs the image
// page by page (unless only verifying), reads every page back and compares
// it, and resets the device. It tells the front end what happens through
// its seat and returns how the run ended.
#pragma once

#include "update/run_outcome.h"

class DeviceLockScope;
struct FoundDevices;
struct LibrarySession;
struct RunRequest;
struct RunSeat;
struct System;

// Blocks the calling thread for the whole operation. The caller takes the
// device lock, then runs a discovery pass into `devices` under it (the look
// before the run), then calls this with the same lock still held, and
// looks again before letting it go: nothing another program does can come
// between the look and the run. The run touches the device only when that
// look shows the device the firmware was chosen for, alone; without the
// lock (another program is working on the devices) it is refused.
// `request.memoryType` takes the file name's memory type.
RunOutcome RunUpdate(RunRequest& request, const FoundDevices& devices, LibrarySession& session, System& system,
                     RunSeat& seat, const DeviceLockScope& deviceLock);
