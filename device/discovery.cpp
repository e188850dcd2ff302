// Device discovery and identification.
#include "device/discovery.h"

#include <cstring>

#include "app/updater_state.h"

namespace {

constexpr int32_t kKindAddress = 0xF004;
constexpr int32_t kAdapterIdentityAddress = 0xC0D4;
constexpr int32_t kOtherIdentityAddress = 0xB112;
constexpr int kIdentityBytes = 8;

// The version request: header 0x000704FD, length 5, opcode 0x02, address
// 0x0005, one zero payload byte; the rest of the 24 bytes zero.
constexpr uint8_t kVersionRequest[9] = {0xFD, 0x04, 0x07, 0x00, 0x05, 0x02, 0x05, 0x00, 0x00};

// The old-style replies, compared as 18 bytes from reply byte 6 on. The
// "client" ones end in "-", so the day is not compared.
struct VersionSignature {
    char text[19];
    char model[5];
};
constexpr VersionSignature kVersionSignatures[] = {
    {"14,host,2016-09-13", "RX93"}, {"14,host,2016-12-29", "RX93"},
    {"14,host,2016-08-31", "RX71"}, {"14,host,2015-12-08", "RX71"},
    {"14,client,2016-09-", "RX93"}, {"14,client,2016-12-", "RX93"},
    {"14,client,2016-08-", "RX71"}, {"14,client,2015-12-", "RX71"},
};
constexpr int kSignatureBytes = 18;
constexpr int kReplyTextStart = 6;

int32_t Record(UpdaterState& state, int32_t status) {
    state.lastStatus = status;
    return status;
}

// Fills the next row from device `i` of the listing, which is open on
// probeHandle. False when the device gets no row.
bool IdentifyDevice(UpdaterState& state, int i, const uint8_t* request, uint8_t* reply) {
    DeviceLibrary& lib = state.library;
    if (Record(state, lib.RemotePeek(state.probeHandle, 0, kKindAddress, 1, &state.kindValue)) != 0) return false;
    const uint32_t productId = state.listedProductIds[i];
    if (!IsSupportedProduct(productId)) return false;

    const int row = state.deviceCount;
    DeviceEntry& entry = state.deviceTable[row];
    const uint32_t kind = state.kindValue;
    entry.kind = kind;
    entry.deviceIndex = state.foundIndex;
    entry.productId = productId;

    uint8_t identity[kIdentityBytes] = {};
    const int32_t identityAddress = kind == KindAdapter ? kAdapterIdentityAddress : kOtherIdentityAddress;
    Record(state, lib.RemotePeek(state.probeHandle, 0, identityAddress, 4, identity));
    entry.idPresent = identity[0] != 0 ? 1 : 0;

    // A query that fails without an answer must not leave the reply of the
    // device before it to be read as this one's.
    std::memset(reply, 0, kPacketBytes);
    Record(state, lib.commandSendAndGetResponse(state.probeHandle, request, reply));
    InterpretVersionReply(state, row, reply);

    if (productId == kProductGenericAdapter || productId == kProductGenericHeadset) {
        Record(state, lib.systemReset(state.probeHandle));
    }
    state.deviceCount = row + 1;
    return true;
}

}  // namespace

bool IsSupportedProduct(uint32_t productId) {
    return productId == kProductGenericAdapter || productId == kProductGenericHeadset ||
           productId == kProductAdapterA || productId == kProductAdapterB || productId == kProductHeadset;
}

void InterpretVersionReply(UpdaterState& state, int row, const uint8_t* reply) {
    FirmwareLabel& label = state.firmwareLabel[row];
    const char* text = reinterpret_cast<const char*>(reply);
    if (reply[kReplyTextStart] == 'v') {
        if (label.versionText.DiffersFrom(text + 7, 3)) state.deviceView = ViewNone;
        label.versionText.Store(text + 7, 3);
        label.modelText.Store(text + 11, 4);
        return;
    }
    for (const VersionSignature& signature : kVersionSignatures) {
        if (std::memcmp(reply + kReplyTextStart, signature.text, kSignatureBytes) == 0) {
            if (label.versionText.DiffersFrom("1_0", 3)) state.deviceView = ViewNone;
            label.versionText.Store("1_0");
            label.modelText.Store(signature.model);
            return;
        }
    }
    label.versionText.Store("");
    label.modelText.Store("");
}

void DiscoverDevices(UpdaterState& state) {
    DeviceLibrary& lib = state.library;
    uint8_t request[kPacketBytes] = {};
    uint8_t reply[kPacketBytes] = {};
    uint8_t shortIds[kListShortIdBytes] = {};
    std::memcpy(request, kVersionRequest, sizeof kVersionRequest);
    state.deviceCount = 0;

    int32_t listed = Record(state, lib.AvDllListDevices(state.deviceQuery.selector, kMaxListedDevices,
                                                        shortIds, state.listedProductIds));
    // The library promises at most the maximum; never index past the array.
    if (listed > kMaxListedDevices) listed = kMaxListedDevices;
    state.listedCount = listed;

    for (int i = 0; i < listed && state.deviceCount < kDeviceRows; ++i) {
        state.deviceQuery.productId = state.listedProductIds[i];
        state.foundIndex = -1;
        if (Record(state, lib.AvDllFindDevice(1, &state.deviceQuery, &state.foundIndex)) != 0) return;
        state.probeHandle = nullptr;
        if (Record(state, lib.AvDllOpenDevice(&state.deviceQuery, state.foundIndex, &state.probeHandle)) != 0) return;
        IdentifyDevice(state, i, request, reply);
        Record(state, lib.AvDllCloseHandle(state.probeHandle));
    }
}
