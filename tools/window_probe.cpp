// Looks at a running Flickhold from outside, as the smoke test and the run
// command need it: waits for the main window and prints the texts of its
// list rows, one per line. Exit code 0 when the window was found in time.
// With "frame2" it then presses keys on the player as a user would: Space to
// pause, Home for frame 1, Right for frame 2. With "tip" it rests the mouse
// on the Refresh button until its tip shows.
//
//   flickhold_probe [timeout-ms [frame2|tip]]

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kListId = 1000;
constexpr int kPlayerId = 1011;
constexpr int kRefreshId = 1013;

BOOL CALLBACK FindMain(HWND wnd, LPARAM param) {
    char cls[32] = "", title[8] = "";
    ::GetClassNameA(wnd, cls, sizeof(cls));
    ::GetWindowTextA(wnd, title, sizeof(title));
    // The main window's caption begins with "SWF " in every code page.
    if (std::string(cls) == "#32770" && std::string(title).rfind("SWF ", 0) == 0 && ::IsWindowVisible(wnd)) {
        *reinterpret_cast<HWND*>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

// The list lives in another process: the item record and its text buffer
// are placed in that process's memory.
bool PrintRows(HWND list) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(list, &pid);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    constexpr SIZE_T kText = 1024;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) {
        ::CloseHandle(process);
        return false;
    }
    char* remoteText = static_cast<char*>(remote) + sizeof(LVITEMA);
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = remoteText;
        item.cchTextMax = static_cast<int>(kText);
        ::WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        char text[kText] = "";
        ::ReadProcessMemory(process, remoteText, text, kText - 1, nullptr);
        std::printf("%s\n", text);
    }
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD timeout = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 20000;
    const DWORD start = ::GetTickCount();
    HWND main = nullptr;
    while (!main && ::GetTickCount() - start < timeout) {
        ::EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&main));
        if (!main) ::Sleep(100);
    }
    if (!main) {
        std::fprintf(stderr, "probe: the main window did not appear\n");
        return 1;
    }
    const bool rows = PrintRows(::GetDlgItem(main, kListId));
    if (argc > 2 && std::string(argv[2]) == "frame2") {
        HWND player = ::GetDlgItem(main, kPlayerId);
        // Gives the movie's card time to be read before the keys arrive.
        ::Sleep(1500);
        for (WPARAM key : {VK_SPACE, VK_HOME, VK_RIGHT}) {
            ::PostMessageA(player, WM_KEYDOWN, key, 0);
            ::Sleep(200);
        }
    }
    if (argc > 2 && std::string(argv[2]) == "tip") {
        RECT button{};
        ::GetWindowRect(::GetDlgItem(main, kRefreshId), &button);
        ::SetForegroundWindow(main);
        // Two positions: the tip starts on a movement inside the button.
        ::SetCursorPos(button.left + 4, button.top + 4);
        ::Sleep(300);
        ::SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        ::Sleep(2500);
    }
    return rows ? 0 : 2;
}
