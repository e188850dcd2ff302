// The 20 skins: full-window pictures, one per screen, and the warning panel.
// The value of each is its bitmap resource number.
#pragma once

enum SkinId : int {
    SkinNoConnection = 143,
    SkinAdapterFound = 145,
    SkinHeadsetFound = 146,
    SkinSeveralDevices = 147,
    SkinHeadsetActions = 148,
    SkinAdapterActions = 150,
    SkinHeadsetUpdating = 151,
    SkinHeadsetVerifying = 152,
    SkinAdapterUpdating = 153,
    SkinAdapterVerifying = 154,
    SkinAdapterVerified = 155,
    SkinHeadsetVerified = 156,
    SkinAdapterUpdated = 157,
    SkinHeadsetUpdated = 158,
    SkinAdapterMismatch = 160,
    SkinHeadsetMismatch = 161,
    SkinAdapterFailed = 162,
    SkinHeadsetFailed = 163,
    SkinWarning = 164,
    SkinIntro = 168,
};

inline constexpr int kSkinCount = 20;

// The skins in the order they are loaded.
inline constexpr SkinId kSkinLoadOrder[kSkinCount] = {
    SkinNoConnection,    SkinAdapterFound,     SkinHeadsetFound,    SkinSeveralDevices,
    SkinHeadsetActions,  SkinAdapterActions,   SkinHeadsetUpdating, SkinHeadsetVerifying,
    SkinAdapterUpdating, SkinAdapterVerifying, SkinAdapterVerified, SkinHeadsetVerified,
    SkinAdapterUpdated,  SkinHeadsetUpdated,   SkinAdapterMismatch, SkinHeadsetMismatch,
    SkinAdapterFailed,   SkinHeadsetFailed,    SkinWarning,         SkinIntro,
};

// Picks the headset or the adapter variant of a screen by device kind.
inline SkinId SkinByKind(unsigned kind, SkinId headset, SkinId adapter) {
    return kind == 13 ? headset : adapter;
}
