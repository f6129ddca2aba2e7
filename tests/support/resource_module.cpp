// A module with a bitmap resource whose entry point leaves a mark in the
// process environment, so that a test can tell whether loading the module
// for its pictures ran its code.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ::SetEnvironmentVariableA("FLICKHOLD_MODULE_CODE_RAN", "1");
    return TRUE;
}
