// smoke_host: the Windows side of the screensaver's smoke runs under Wine
// (.ci/stages/50-windows), where a shell cannot reach into windows.
//
//   smoke_host boxtext TITLE
//       waits (20 s at most) for a top-level window titled TITLE, a message
//       box, and prints the text it shows; 1 when none appears.
//   smoke_host preview PROGRAM [ARGUMENTS...]
//       plays the Display settings: makes a 320 x 240 window at (40, 40),
//       starts "PROGRAM /p HWND ARGUMENTS", checks after 3 s that the
//       program made a child of it (what it shows there is for a screenshot
//       to judge), then destroys the window and checks that the program ends
//       by itself with exit 0.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Runs the thread's messages for the given time.
void pump(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

BOOL CALLBACK longestText(HWND child, LPARAM found)
{
    char text[1024] = "";
    GetWindowTextA(child, text, sizeof text);
    auto *best = reinterpret_cast<std::string *>(found);
    if (std::strlen(text) > best->size())
        *best = text;
    return TRUE;
}

int boxText(const char *title)
{
    for (int tries = 0; tries < 200; ++tries) {
        if (HWND box = FindWindowA(nullptr, title)) {
            std::string text; // the message is the box's longest text
            EnumChildWindows(box, longestText, reinterpret_cast<LPARAM>(&text));
            std::printf("%s\n", text.c_str());
            return 0;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "smoke_host: no window titled \"%s\"\n", title);
    return 1;
}

int preview(int argc, char **argv)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SmokePreview";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&windowClass);
    RECT frame = {0, 0, 320, 240};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowA("SmokePreview", "Preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    std::string command = std::string("\"") + argv[2] + "\" /p " +
                          std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)));
    for (int i = 3; i < argc; ++i)
        command += std::string(" ") + argv[i];
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "smoke_host: cannot start %s\n", command.c_str());
        return 1;
    }
    pump(3000);
    const HWND child = FindWindowExA(host, nullptr, "mwMainWindowClass", nullptr);
    std::printf("child window %s\n", child ? "found" : "missing");
    DestroyWindow(host);
    const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("program %s, exit code %lu\n", ended ? "ended" : "still running",
                static_cast<unsigned long>(code));
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    return child && ended && code == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "boxtext") == 0)
        return boxText(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "preview") == 0)
        return preview(argc, argv);
    std::fprintf(stderr, "usage: smoke_host boxtext TITLE | preview PROGRAM [ARGUMENTS...]\n");
    return 2;
}
