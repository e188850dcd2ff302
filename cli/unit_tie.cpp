// Tying an unrecognised unit to a model, from --model or the history.
#include "cli/unit_tie.h"

#include <cstdio>
#include <cstring>

#include "app/unfinished_run.h"
#include "app/user_texts.h"
#include "cli/cli_session.h"
#include "device/discovery.h"
#include "update/run_request.h"

bool TieUnitToModel(CliSession& session, const char* command, const char* model, UnfinishedRun& unfinished,
                    CliExitCode& exitCode) {
    FoundDevices& devices = session.devices;
    session.request.unitModel = UnitModel{};
    unfinished = UnfinishedRun{};
    if (devices.deviceCount != 1 || !IsSupportedProduct(devices.deviceTable[0].productId)) return true;
    const uint32_t kind = devices.deviceTable[0].kind;
    char own[8];
    devices.firmwareLabel[0].modelText.Load(own, sizeof own);
    if (model != nullptr && model[0] != '\0') {
        if (own[0] == '\0') {
            TieUnitModel(session.request, devices, model);  // the person's word stands
            return true;
        }
        if (std::strcmp(own, model) == 0) return true;
        TextArgs args;
        args.device = DeviceNoun(kind);
        args.detail = own;
        exitCode = session.Refuse(command, ExitUsage, "model_differs", TextCliModelDiffers, args);
        return false;
    }
    unfinished = LookForUnfinishedRun(*session.env.system, devices);
    TieUnitModel(session.request, devices, TiedModel(unfinished));
    if (unfinished.tie != TieNone) {
        char sentence[512];
        DescribeUnfinishedRun(unfinished, kind, sentence, sizeof sentence);
        TextArgs args;
        args.detail = sentence;
        session.Warn(TextCliNotice, args);
    }
    return true;
}
