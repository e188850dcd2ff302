// The device lock's mutex is machine-wide, and a user's process may take the
// one a service created.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <string>
#include <vector>

#include "platform/system_win.h"

namespace {

std::vector<std::string> asked;
DWORD globalError = 0;  // how creating by the machine-wide name fails; 0: it does not

HANDLE FakeCreate(const char* name) {
    asked.push_back(name);
    if (globalError != 0 && std::string(name).starts_with("Global\\")) {
        SetLastError(globalError);
        return nullptr;
    }
    return GetCurrentProcess();  // any non-null handle
}

TEST(DeviceMutexTest, IsMachineWideAndTheSessionsOnlyWhereCreationIsDenied) {
    const std::vector<std::string> global{"Global\\VELTRANEUPDATER-DEVICES"};
    EXPECT_NE(OpenDeviceMutex(FakeCreate), nullptr);
    EXPECT_EQ(asked, global);

    asked.clear();
    globalError = ERROR_ACCESS_DENIED;
    EXPECT_NE(OpenDeviceMutex(FakeCreate), nullptr);
    EXPECT_EQ(asked, (std::vector<std::string>{global[0], "VELTRANEUPDATER-DEVICES"}));

    asked.clear();
    globalError = ERROR_INVALID_HANDLE;  // the name is taken by another kind of object
    EXPECT_EQ(OpenDeviceMutex(FakeCreate), nullptr);
    EXPECT_EQ(asked, global);
}

TEST(DeviceMutexTest, EveryAuthenticatedUserMayWaitForAndReleaseIt) {
    const std::string name = "Global\\VELTRANEUPDATER-TEST-" + std::to_string(GetCurrentProcessId());
    HANDLE mutex = CreateDeviceMutex(name.c_str());
    ASSERT_NE(mutex, nullptr);
    HANDLE reader = OpenMutexA(READ_CONTROL, FALSE, name.c_str());  // the owner's right
    ASSERT_NE(reader, nullptr);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(reader, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor),
              ERROR_SUCCESS);
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD usersSize = sizeof users;
    ASSERT_TRUE(CreateWellKnownSid(WinAuthenticatedUserSid, nullptr, users, &usersSize));
    bool granted = false;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&ace->SidStart, users)) {
            granted = (ace->Mask & (SYNCHRONIZE | MUTEX_MODIFY_STATE)) == (SYNCHRONIZE | MUTEX_MODIFY_STATE);
        }
    }
    EXPECT_TRUE(granted);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    LocalFree(descriptor);
    CloseHandle(reader);
    CloseHandle(mutex);
}

}  // namespace
