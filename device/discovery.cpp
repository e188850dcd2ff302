// Device discovery and identification.
#include "device/discovery.h"

#include <cstring>

#include "device/found_devices.h"
#include "device/library_session.h"

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

int32_t Record(LibrarySession& session, int32_t status) {
    session.lastStatus = status;
    return status;
}

struct Pass {
    FoundDevices& devices;
    LibrarySession& session;
    bool versionChanged = false;
};

// Fills the next row from device `i` of the listing, which is open on
// probeHandle. False when the device gets no row.
bool IdentifyDevice(Pass& pass, int i, const uint8_t* request, uint8_t* reply) {
    LibrarySession& session = pass.session;
    DeviceLibrary& lib = session.library;
    if (Record(session, lib.RemotePeek(session.probeHandle, 0, kKindAddress, 1, &session.kindValue)) != 0) return false;
    const uint32_t productId = session.listedProductIds[i];
    if (!IsSupportedProduct(productId)) return false;

    FoundDevices& devices = pass.devices;
    const int row = devices.deviceCount;
    DeviceEntry& entry = devices.deviceTable[row];
    const uint32_t kind = session.kindValue;
    entry.kind = kind;
    entry.deviceIndex = session.foundIndex;
    entry.productId = productId;

    uint8_t identity[kIdentityBytes] = {};
    const int32_t identityAddress = kind == KindAdapter ? kAdapterIdentityAddress : kOtherIdentityAddress;
    Record(session, lib.RemotePeek(session.probeHandle, 0, identityAddress, 4, identity));
    entry.idPresent = identity[0] != 0 ? 1 : 0;
    entry.identity = static_cast<uint32_t>(identity[0]) << 24 | static_cast<uint32_t>(identity[1]) << 16 |
                     static_cast<uint32_t>(identity[2]) << 8 | identity[3];

    // A query that fails without an answer must not leave the reply of the
    // device before it to be read as this one's.
    std::memset(reply, 0, kPacketBytes);
    Record(session, lib.commandSendAndGetResponse(session.probeHandle, request, reply));
    if (InterpretVersionReply(devices, row, reply)) pass.versionChanged = true;

    if (productId == kProductGenericAdapter || productId == kProductGenericHeadset) {
        Record(session, lib.systemReset(session.probeHandle));
    }
    devices.deviceCount = row + 1;
    return true;
}

// Counts the supported product ids of the listing: known without opening.
int32_t CountAttached(const LibrarySession& session, int32_t listed) {
    int32_t attached = 0;
    for (int i = 0; i < listed; ++i) {
        if (IsSupportedProduct(session.listedProductIds[i])) ++attached;
    }
    return attached;
}

// Row 0's device as a pass sees it: product id, kind, identity and model, or none.
struct SeenDevice {
    uint32_t productId = 0;
    uint32_t kind = 0;
    uint32_t identity = 0;
    char model[8] = {};
};

SeenDevice SeenInRowZero(const FoundDevices& devices) {
    SeenDevice seen;
    if (devices.deviceCount < 1) return seen;
    seen.productId = devices.deviceTable[0].productId;
    seen.kind = devices.deviceTable[0].kind;
    seen.identity = devices.deviceTable[0].identity;
    devices.firmwareLabel[0].modelText.Load(seen.model, sizeof seen.model);
    return seen;
}

bool SameDevice(const SeenDevice& a, const SeenDevice& b) {
    return a.productId == b.productId && a.kind == b.kind && a.identity == b.identity &&
           std::strcmp(a.model, b.model) == 0;
}

// One pass over the listing, row by row.
bool DiscoverRows(FoundDevices& devices, LibrarySession& session) {
    Pass pass{devices, session};
    DeviceLibrary& lib = session.library;
    uint8_t request[kPacketBytes] = {};
    uint8_t reply[kPacketBytes] = {};
    uint8_t shortIds[kListShortIdBytes] = {};
    std::memcpy(request, kVersionRequest, sizeof kVersionRequest);
    devices.deviceCount = 0;

    int32_t listed = Record(session, lib.AvDllListDevices(session.deviceQuery.selector, kMaxListedDevices,
                                                          shortIds, session.listedProductIds));
    // The library promises at most the maximum; never index past the array.
    if (listed > kMaxListedDevices) listed = kMaxListedDevices;
    session.listedCount = listed;
    devices.attachedCount = CountAttached(session, listed);

    for (int i = 0; i < listed && devices.deviceCount < kDeviceRows; ++i) {
        session.deviceQuery.productId = session.listedProductIds[i];
        session.foundIndex = -1;
        if (Record(session, lib.AvDllFindDevice(1, &session.deviceQuery, &session.foundIndex)) != 0) break;
        session.probeHandle = nullptr;
        if (Record(session, lib.AvDllOpenDevice(&session.deviceQuery, session.foundIndex, &session.probeHandle)) != 0) {
            break;
        }
        IdentifyDevice(pass, i, request, reply);
        Record(session, lib.AvDllCloseHandle(session.probeHandle));
    }
    return pass.versionChanged;
}

}  // namespace

bool IsSupportedProduct(uint32_t productId) {
    return productId == kProductGenericAdapter || productId == kProductGenericHeadset ||
           productId == kProductAdapterA || productId == kProductAdapterB || productId == kProductHeadset;
}

bool InterpretVersionReply(FoundDevices& devices, int row, const uint8_t* reply) {
    FirmwareLabel& label = devices.firmwareLabel[row];
    const char* text = reinterpret_cast<const char*>(reply);
    if (reply[kReplyTextStart] == 'v') {
        const bool changed = label.versionText.DiffersFrom(text + 7, 3);
        label.versionText.Store(text + 7, 3);
        label.modelText.Store(text + 11, 4);
        return changed;
    }
    for (const VersionSignature& signature : kVersionSignatures) {
        if (std::memcmp(reply + kReplyTextStart, signature.text, kSignatureBytes) == 0) {
            const bool changed = label.versionText.DiffersFrom("1_0", 3);
            label.versionText.Store("1_0");
            label.modelText.Store(signature.model);
            return changed;
        }
    }
    label.versionText.Store("");
    label.modelText.Store("");
    return false;
}

bool DiscoverDevices(FoundDevices& devices, LibrarySession& session) {
    const SeenDevice before = SeenInRowZero(devices);
    const bool versionChanged = DiscoverRows(devices, session);
    if (devices.deviceCount < 1 || !SameDevice(before, SeenInRowZero(devices))) devices.deviceTurn.fetch_add(1);
    return versionChanged;
}
