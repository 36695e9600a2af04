// The library's entry point for the Windows loader reports success for every
// notification, known or not.
#include <gtest/gtest.h>

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);

namespace {

TEST(Entry, DllMainReportsSuccessForEveryReason) {
    for (DWORD reason : {DWORD(DLL_PROCESS_ATTACH), DWORD(DLL_THREAD_ATTACH),
                         DWORD(DLL_THREAD_DETACH), DWORD(DLL_PROCESS_DETACH), DWORD(42)}) {
        EXPECT_EQ(DllMain(GetModuleHandleW(nullptr), reason, nullptr), 1) << "reason " << reason;
    }
}

} // namespace
