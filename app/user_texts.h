// Every text the program tells a person, beyond the fixed texts of the skins
// and dialogs: why a run stopped, start-up problems, the command line's
// messages, log lines. One table, so that the window, the console and the
// log never tell three stories. Each section belongs to one topic; add new
// texts to the end of their section.
//
// Texts may name values in braces, filled by FormatText: {device} ("headset"
// or "adapter"), {file}, {page}, {pages}, {status}, {line}, {folder},
// {detail}. A brace that names nothing is kept as it stands.
#pragma once

#include <cstddef>
#include <cstdint>

// clang-format off
#define USER_TEXTS(X) \
  /* Why a run stopped: the failed and mismatch screens, the log, the command line. */ \
  X(TextReasonNone, "") \
  X(TextReasonNoWorkingFolder, "The program's folder cannot be read. Start the program again from its own folder.") \
  X(TextReasonNoDevice, "No device was connected when the run began. Connect the {device} and press Try Again.") \
  X(TextReasonSeveralDevices, "Several devices are connected. Unplug all but the {device}, then press Try Again.") \
  X(TextReasonDeviceChanged, "The device changed before the update started.") \
  X(TextReasonDeviceBusy, "Another program is working on the {device}. Wait until it has finished, then press Try Again.") \
  X(TextReasonFileDoesNotFit, "The file {file} does not fit this {device}. Press Cancel and choose another file.") \
  X(TextReasonFileUnreadable, "The file {file} cannot be read. Check the files folder, then press Try Again.") \
  X(TextReasonFileEmpty, "The file {file} is not a firmware image: it is empty.") \
  X(TextReasonFileTooLarge, "The file {file} is not a firmware image: it has more than {pages} pages.") \
  X(TextReasonFileLoneCr, "The file {file} is not a firmware image: line {line} ends in a lone carriage return.") \
  X(TextReasonFileLineTooLong, "The file {file} is not a firmware image: line {line} is too long.") \
  X(TextReasonFileNoNumber, "The file {file} is not a firmware image: line {line} has no number.") \
  X(TextReasonDigestMismatch, "The file {file} does not match its checksum file {file}.sha256.") \
  X(TextReasonDigestUnreadable, "The checksum file {file}.sha256 holds no SHA-256 digest.") \
  X(TextReasonNoMemory, "There is not enough memory to load the file {file}. Close other programs, then press Try Again.") \
  X(TextReasonConnect, "Could not connect to the {device} (status {status}). Check the USB connection and press Try Again.") \
  X(TextReasonRomMode, "The {device} did not enter ROM mode (status {status}). Press Try Again.") \
  X(TextReasonProgram, "Stopped while programming page {page} of {pages}: the {device} did not answer (status {status}).") \
  X(TextReasonVerify, "Stopped while verifying page {page} of {pages}: the {device} did not answer (status {status}).") \
  X(TextReasonMismatch, "Page {page} of {pages} on the {device} differs from the file {file}.") \
  X(TextReasonIdentityMismatch, "The identity page of the {device} differs from the file {file}.") \
  X(TextReasonReset, "The {device} did not accept the reset (status {status}). Unplug it, plug it back in and verify it.") \
  X(TextReasonInterrupted, "Stopped on request before page {page} of {pages}; the {device} was reset and closed.") \
  X(TextReasonNotMakersFile, "The file {file} is not the maker's file: its contents differ from the signed catalogue.") \
  X(TextReasonBelowFloor, "The file {file} is older than the signed catalogue allows for this {device}: it must be version {detail} or newer.") \
  X(TextReasonNotSigned, "The file {file} is not signed by the maker, and this computer takes only signed firmware. Press Cancel and choose a signed file.") \
  X(TextCatalogueNoSignature, "The catalogue in the files folder is ignored: it has no signature.") \
  X(TextCatalogueBadSignature, "The catalogue in the files folder is ignored: no key this program trusts signed it.") \
  X(TextCatalogueMalformed, "The catalogue in the files folder is ignored: it cannot be read.") \
  X(TextCatalogueOlderThanSeen, "The catalogue in the files folder is ignored: it is older than one already used on this computer.") \
  /* Start-up problems, shown in a message box. */ \
  X(TextStartupTitle, "Veltrane Updater cannot start") \
  X(TextStartupNoLibrary, "The device library {file} is missing from {folder}. Start Veltrane Updater from its own folder, or copy the device library that came with your headset into it.") \
  X(TextStartupNotALibrary, "The file {file} in {folder} is not a device library for this computer. Replace it with the device library that came with your headset, then start Veltrane Updater again.") \
  X(TextStartupLibrary32Bit, "The device library {file} in {folder} is a 32-bit library, and this program is 64-bit. Start {detail} from the same folder instead.") \
  X(TextStartupLibrary64Bit, "The device library {file} in {folder} is a 64-bit library, and this program is 32-bit. Start {detail} from the same folder instead.") \
  X(TextStartupNotLoadable, "The device library {file} in {folder} cannot be loaded (error {status}). Reinstall the device library that came with your headset, then start Veltrane Updater again.") \
  X(TextStartupMissingEntry, "The device library {file} in {folder} lacks the entry point {detail}. It may be too old: install the device library that came with your headset, then start Veltrane Updater again.") \
  X(TextStartupInitializeFailed, "The device library {file} in {folder} did not start (status {status}). Unplug the adapter, plug it back in, then start Veltrane Updater again.") \
  /* The command line. */ \
  X(TextCliNoDevice, "No device is connected. Connect the headset or the adapter, then run the command again.") \
  X(TextCliSeveralDevices, "Several devices are connected. Unplug all but one, then run the command again.") \
  X(TextCliDeviceBusy, "Another program is working on the devices. Wait until it has finished, then run the command again.") \
  X(TextCliLibraryMissing, "The device library {file} is missing from {folder}. Run the command from the program's folder, or copy the device library that came with your headset into it.") \
  X(TextCliLibraryIncomplete, "The device library {file} in {folder} lacks the entry point {detail}. Install the device library that came with your headset.") \
  X(TextCliLibraryNotReady, "The device library did not start (status {status}). Unplug the devices, plug them back in and run the command again.") \
  X(TextCliLibraryNotALibrary, "The file {file} in {folder} is not a device library for this computer. Replace it with the device library that came with your headset.") \
  X(TextCliLibrary32Bit, "The device library {file} in {folder} is a 32-bit library, and this program is 64-bit. Run {detail} from the same folder instead.") \
  X(TextCliLibrary64Bit, "The device library {file} in {folder} is a 64-bit library, and this program is 32-bit. Run {detail} from the same folder instead.") \
  X(TextCliLibraryNotLoadable, "The device library {file} in {folder} cannot be loaded (error {status}). Reinstall the device library that came with your headset.") \
  X(TextCliFileNotInFolder, "The file {file} is not in the files folder {folder}. Copy it there, then run the command again.") \
  X(TextCliNoFileFits, "No file in the files folder fits this {device}.") \
  X(TextCliFitNoRule, "no file fits this {device} (product {detail})") \
  X(TextCliFitModelUnknown, "the model of this {device} is not known, so no file fits it") \
  X(TextCliFitLacksWord, "the name lacks \"{detail}\"") \
  X(TextCliFitLacksEf, "the name lacks \"ef\"") \
  X(TextCliFitNoTag, "the name has fewer than two underscores") \
  X(TextCliFitNoVersion, "the name has no lower-case \"v\"") \
  X(TextCliFitPathTooLong, "the path of the file is too long") \
  X(TextCliFitNoFirstLine, "the file cannot be read or is empty") \
  X(TextCliFitTagNotInFirstLine, "the first line lacks the tag \"{detail}\"") \
  X(TextCliUpdated, "Updated: the {device} runs firmware {detail} now.") \
  X(TextCliVerified, "Verified: the {device} holds the firmware of {file}.") \
  X(TextCliFailed, "Failed: {detail}") \
  X(TextCliStopping, "Stopping at the next page; the {device} will be reset and closed. Do not unplug it.") \
  X(TextCliInterruptedBeforeRun, "Stopped before the run began; the {device} was not touched.") \
  X(TextCliStationWaiting, "Waiting for a device. Plug one in; Ctrl+C stops.") \
  X(TextCliStationSeveral, "Several devices are connected. Leave one plugged in.") \
  X(TextCliStationUnplug, "Unplug the {device} and plug in the next one.") \
  X(TextCliStationNoFileFits, "none of the files fits this {device}") \
  X(TextCliStationSameVersion, "the {device} already runs firmware {detail}") \
  X(TextCliStationStopAfterDevice, "Stopping after this device. Press Ctrl+C again to stop at the next page.") \
  X(TextCliStationResultsUnwritable, "The results file {file} cannot be written. Check the folder, then start the station again.") \
  X(TextCliStationStopped, "Station stopped after {detail} device(s).") \
  X(TextCliConfirmUpdate, "Write {file} to the {device} (firmware {detail} now)? Do not unplug it while it runs. [y/N] ") \
  X(TextCliNeedYes, "The update cannot ask for a go-ahead here. Add --yes to update without a question.") \
  X(TextCliDeclined, "Nothing was done; the {device} was not touched.") \
  X(TextCliReasonFileDoesNotFit, "The file {file} does not fit this {device}. Run veltrane-cli files to see the files that do.") \
  X(TextCliReasonFileUnreadable, "The file {file} cannot be read. Check the files folder, then run the command again.") \
  X(TextCliReasonNoMemory, "There is not enough memory to load the file {file}. Close other programs, then run the command again.") \
  X(TextCliReasonConnect, "Could not connect to the {device} (status {status}). Check the USB connection and run the command again.") \
  X(TextCliReasonRomMode, "The {device} did not enter ROM mode (status {status}). Run the command again.") \
  X(TextCliReasonNotSigned, "The file {file} is not signed by the maker, and only signed firmware may be written. Run veltrane-cli files to see which files are signed.") \
  X(TextCliHistoryEmpty, "No runs are recorded in {file}.") \
  X(TextCliHistoryNoneOfKind, "No runs of the {device} are recorded in {file}.") \
  X(TextCliHistoryNoneOfProduct, "No runs of the device {detail} are recorded in {file}.") \
  X(TextCliHistoryBadDevice, "{detail} is neither a product id nor a kind of device. Give the product id as veltrane-cli devices prints it (28F80106), or headset or adapter.") \
  X(TextCliNoSuchFile, "There is no file {file} in the files folder {folder}. Run veltrane-cli files --all to see the files there.") \
  X(TextCliDeviceChanged, "The device attached now is not the {device} the question was about; nothing was written. Run the command again.") \
  X(TextCliRecordingUnwritable, "The recording {file} cannot be written. Name a file in a folder you may write to, then run the command again.") \
  X(TextCliUnknownCommand, "{detail} is not a command of veltrane-cli. Did you mean {file}? Run veltrane-cli --help to see the commands.") \
  X(TextCliNotice, "{detail}") \
  X(TextCliModelDiffers, "This {device} answers as an {detail}, not the model --model names. Leave out --model, or connect the {device} you meant.") \
  /* A unit whose last update did not finish. */ \
  X(TextUnfinishedAtPage, "The last update of this {device} stopped at page {page} of {pages}. Choose a file to finish it.") \
  X(TextUnfinishedUnseen, "The last update of this {device} was cut short before it finished. Choose a file to finish it.") \
  X(TextUnfinishedUnitsAlike, "An update of a {device} like this one did not finish, and this {device} cannot be told apart from others. Finish it on the command line: veltrane-cli update FILE --model RX93 or RX71.") \
  X(TextHistoryInterrupted, "The program ended during the run; the {device} may hold part of the firmware. Connect it and choose a file to finish the update.") \
  /* The run log. */ \
  X(TextLogRunStart, "==== Run started {detail}") \
  X(TextLogProgram, "Program: Veltrane Updater {detail}") \
  X(TextLogOperation, "Operation: {detail}") \
  X(TextLogDevice, "Device: {device}, {detail}") \
  X(TextLogFile, "File: {file}, {detail}") \
  X(TextLogFileUnread, "File: {file} (cannot be read)") \
  X(TextLogFailingStatus, "Failing status: {status}") \
  X(TextLogFailingPage, "Failing page: {page} of {pages}") \
  X(TextLogVersionAfter, "Version after: {detail}") \
  X(TextLogDeviceGone, "Version after: unknown, the {device} was not found after the run.") \
  X(TextLogPassed, "Result: passed") \
  X(TextLogFailed, "Result: failed. {detail}") \
  X(TextLogRefused, "Result: not started. {detail}") \
  X(TextLogDuration, "Duration: {detail} s") \
  X(TextLogProgramCli, "Program: Veltrane Updater {detail}, command line") \
  X(TextLogNoDevice, "Device: none was connected") \
  /* The support report (About box). */ \
  X(TextReportSaved, "The report was saved as {file}. Send this file to the support desk when they ask for it.") \
  X(TextReportFailed, "The report could not be saved in {folder}. Check that the folder exists and can be written to, then try again.") \
  X(TextReportTitle, "Veltrane Updater support report, written {detail}") \
  X(TextReportProgram, "Program: Veltrane Updater {detail}") \
  X(TextReportSystem, "System: {detail}") \
  X(TextReportLibrary, "Device library: {file}, {detail}") \
  X(TextReportLibraryMissing, "Device library: {file} was not found.") \
  X(TextReportDataFolder, "Log and history folder: {folder}") \
  X(TextReportRecording, "Device session recorded into: {file} (send it with this report)") \
  X(TextReportNoRecording, "No device session was recorded. Record the next device session in the About box when the support desk asks for it.") \
  X(TextRecordingStarted, "The next device session is recorded into {file} until Veltrane Updater closes. Send this file with the support report.") \
  X(TextRecordingRunning, "The device session is already being recorded into {file}. The recording ends when Veltrane Updater closes.") \
  X(TextRecordingFailed, "The recording could not be started in {folder}. Check that the folder can be written to, then try again.") \
  X(TextReportRuns, "Last runs, newest first:") \
  X(TextReportNoRuns, "No runs are recorded yet.") \
  X(TextReportLogTail, "The end of the run log:") \
  X(TextReportNoLog, "The run log is empty.") \
  X(TextReportRun, "- {detail}") \
  X(TextReportRunReason, "  {detail}") \
  /* Read out by screen readers: names of what the screen shows without words. */ \
  X(TextAccessMinimise, "Minimise") \
  X(TextAccessClose, "Close") \
  X(TextAccessPress, "Press")
// clang-format on

enum TextId : int {
#define USER_TEXT_ID(id, text) id,
    USER_TEXTS(USER_TEXT_ID)
#undef USER_TEXT_ID
    TextCount
};

// The text as it stands in the table, braces and all.
const char* Text(TextId id);

// The values a text may name; null or 0 where a text names nothing.
struct TextArgs {
    const char* device = nullptr;
    const char* file = nullptr;
    const char* folder = nullptr;
    const char* detail = nullptr;
    int64_t page = 0;
    int64_t pages = 0;
    int64_t status = 0;
    int64_t line = 0;
};

// Writes the text with its braces filled into `out` (of `size` characters),
// cut at the end of `out` and always terminated. Returns the length written.
size_t FormatText(TextId id, const TextArgs& args, char* out, size_t size);

// "headset" for kind 13, "adapter" for every other kind.
const char* DeviceNoun(uint32_t kind);
