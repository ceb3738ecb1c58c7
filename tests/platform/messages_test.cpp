// Window classes, windows and message queues (headless back end).
#include "platform_support.h"

using namespace platformtest;

namespace {

// Every suite in this binary draws into memory, whatever DISPLAY says.
const bool headless = mwPlatformSetHeadless(1);

TEST(WindowClasses, RegistrationRefusesDuplicatesAndIncompleteRecords)
{
    ASSERT_TRUE(headless);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "Registered";
    const ATOM atom = RegisterClassExA(&windowClass);
    EXPECT_NE(0, atom);

    windowClass.lpszClassName = "REGISTERED"; // class names ignore case
    EXPECT_EQ(0, RegisterClassExA(&windowClass));
    EXPECT_EQ(DWORD{ERROR_CLASS_ALREADY_EXISTS}, GetLastError());

    windowClass.lpszClassName = "Other";
    windowClass.cbSize = sizeof windowClass - 1;
    EXPECT_EQ(0, RegisterClassExA(&windowClass));
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = nullptr;
    EXPECT_EQ(0, RegisterClassExA(&windowClass));
    EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, GetLastError());

    EXPECT_EQ(nullptr,
              CreateWindowExA(0, "Unknown", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(DWORD{ERROR_CANNOT_FIND_WND_CLASS}, GetLastError());
    HWND byAtom =
        CreateWindowExA(0, MAKEINTRESOURCEA(atom), "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(nullptr, byAtom);
    EXPECT_TRUE(DestroyWindow(byAtom));
}

TEST(Windows, CreationSendsTheCreateMessagesAndShowingActivatesOnce)
{
    int token = 0;
    HWND window = CreateWindowExA(0, recordingClass(), "A title", WS_POPUP, 0, 0, CW_USEDEFAULT, 123, nullptr,
                                  nullptr, nullptr, &token);
    ASSERT_NE(nullptr, window);
    auto created = Recorder::get().of(window);
    ASSERT_EQ((std::vector<UINT>{WM_NCCREATE, WM_CREATE}), messages(created));
    EXPECT_EQ(reinterpret_cast<LPARAM>(&token), created[1].lParam);

    char title[4];
    EXPECT_EQ(3, GetWindowTextA(window, title, sizeof title)); // cut to fit, terminated
    EXPECT_STREQ("A t", title);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(640, client.right); // a default width makes the height default too
    EXPECT_EQ(480, client.bottom);

    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    const auto shown = Recorder::get().of(window);
    EXPECT_EQ((std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}),
              messages(shown));
    EXPECT_EQ(WPARAM{WA_ACTIVE}, shown[3].wParam);

    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    const auto hidden = Recorder::get().of(window);
    ASSERT_EQ(8u, hidden.size());
    EXPECT_EQ((std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATE, WM_KILLFOCUS}),
              messages({hidden.begin() + 5, hidden.end()}));
    EXPECT_EQ(WPARAM{FALSE}, hidden[5].wParam);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ((std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}),
              messages(Recorder::get().of(window, {WM_DESTROY, WM_NCDESTROY})));
}

LRESULT CALLBACK refuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return -1;
    if (message == WM_DESTROY)
        Recorder::get().add({nullptr, WM_DESTROY, 0, 0, std::this_thread::get_id()});
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Windows, AFailedCreateMessageFailsTheCreation)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = refuseCreation;
    windowClass.lpszClassName = "Refusing";
    ASSERT_NE(0, RegisterClassExA(&windowClass));
    EXPECT_EQ(nullptr,
              CreateWindowExA(0, "Refusing", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(1u, Recorder::get().of(nullptr, {WM_DESTROY}).size());
}

TEST(Messages, PostedMessagesComeFirstThenQuitThenPaint)
{
    HWND window = makeWindow(20, 20);
    ShowWindow(window, SW_SHOW); // a shown window needs painting
    PostMessageA(window, WM_USER + 1, 1, 2);
    PostQuitMessage(7);
    PostMessageA(nullptr, WM_USER + 2, 0, 0); // to the thread itself

    MSG msg;
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(UINT{WM_USER + 1}, msg.message);
    EXPECT_EQ(window, msg.hwnd);
    EXPECT_EQ(LPARAM{2}, msg.lParam);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(UINT{WM_USER + 2}, msg.message);
    EXPECT_EQ(nullptr, msg.hwnd);
    EXPECT_EQ(0, GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(UINT{WM_QUIT}, msg.message);
    EXPECT_EQ(WPARAM{7}, msg.wParam);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(UINT{WM_PAINT}, msg.message);
    DispatchMessageA(&msg); // DefWindowProcA validates the window

    // Painted: the next message is the next posted one, and a range filter
    // takes a later message first.
    PostMessageA(window, WM_USER + 3, 0, 0);
    PostMessageA(window, WM_USER + 4, 0, 0);
    ASSERT_GT(GetMessageA(&msg, window, WM_USER + 4, WM_USER + 4), 0);
    EXPECT_EQ(UINT{WM_USER + 4}, msg.message);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(UINT{WM_USER + 3}, msg.message);
    // Destroying a window takes its messages out of the queue.
    PostMessageA(window, WM_USER + 5, 0, 0);
    EXPECT_TRUE(DestroyWindow(window));
    PostMessageA(nullptr, WM_USER + 6, 0, 0);
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(UINT{WM_USER + 6}, msg.message);
}

TEST(Messages, AnotherThreadsWindowIsReachedOnlyThroughItsOwnThread)
{
    WindowThread owner;
    HWND window = owner.window();
    EXPECT_EQ(LRESULT{42}, SendMessageA(window, WM_USER, 0, 0));
    const auto sent = Recorder::get().of(window, {WM_USER});
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(owner.id(), sent[0].thread);

    // As on Windows, only the creating thread may destroy a window.
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, GetLastError());
    EXPECT_TRUE(IsWindow(window));
    MSG foreign{window, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(0, DispatchMessageA(&foreign));

    EXPECT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0)); // DefWindowProcA destroys it there
    owner.join();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, SendMessageA(window, WM_USER, 0, 0));
    EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
    EXPECT_EQ(DWORD{ERROR_INVALID_WINDOW_HANDLE}, GetLastError());
}

TEST(Messages, InjectedFocusChangesArriveOnceAndInOrder)
{
    WindowThread owner;
    HWND window = owner.window();
    const std::vector<UINT> focusMessages{WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS};
    const size_t before = Recorder::get().of(window, focusMessages).size(); // from ShowWindow

    EXPECT_EQ(1, mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_OUT));
    EXPECT_EQ(1, mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_OUT));
    EXPECT_EQ(1, mwPlatformInjectWindowEvent(window, MWP_WINDOW_FOCUS_IN));
    // Injection from another thread returns once the messages are handled.
    auto seen = Recorder::get().of(window, focusMessages);
    seen.erase(seen.begin(), seen.begin() + static_cast<long>(before));
    ASSERT_EQ((std::vector<UINT>{WM_ACTIVATE, WM_KILLFOCUS, WM_ACTIVATE, WM_SETFOCUS}), messages(seen));
    EXPECT_EQ(WPARAM{WA_INACTIVE}, seen[0].wParam);
    EXPECT_EQ(WPARAM{WA_ACTIVE}, seen[2].wParam);

    EXPECT_EQ(0, mwPlatformInjectWindowEvent(window, 99));
    EXPECT_EQ(1, mwPlatformInjectWindowEvent(window, MWP_WINDOW_CLOSE));
    owner.join();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, mwPlatformInjectWindowEvent(window, MWP_WINDOW_CLOSE));
}

TEST(Messages, DefaultProcedureTakesTheSystemActions)
{
    HWND window = makeWindow(10, 10);
    const unsigned saver = mwPlatformSystemActionCount(MWP_ACTION_SCREENSAVE);
    const unsigned power = mwPlatformSystemActionCount(MWP_ACTION_MONITOR_POWER);
    const unsigned beep = mwPlatformSystemActionCount(MWP_ACTION_BEEP);
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER | 3, 2); // the low bits are the system's
    SendMessageA(window, WM_SYSCHAR, 'x', 1 << 29);
    EXPECT_EQ(saver + 1, mwPlatformSystemActionCount(MWP_ACTION_SCREENSAVE));
    EXPECT_EQ(power + 1, mwPlatformSystemActionCount(MWP_ACTION_MONITOR_POWER));
    EXPECT_EQ(beep + 1, mwPlatformSystemActionCount(MWP_ACTION_BEEP));
    EXPECT_EQ(0u, mwPlatformSystemActionCount(3));

    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 0); // F4 without Alt does nothing
    EXPECT_TRUE(IsWindow(window));
    SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    EXPECT_FALSE(IsWindow(window));
    window = makeWindow(10, 10);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST(Messages, KeyDownsTranslateIntoCharacters)
{
    HWND window = makeWindow(10, 10);
    const MSG letter{window, WM_KEYDOWN, 'Q', 0x100001, 0, {0, 0}};
    const MSG alt{window, WM_SYSKEYDOWN, '7', 1 << 29, 0, {0, 0}};
    const MSG function{window, WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    EXPECT_TRUE(TranslateMessage(&letter));
    EXPECT_TRUE(TranslateMessage(&alt));
    EXPECT_FALSE(TranslateMessage(&function));
    MSG msg;
    ASSERT_GT(GetMessageA(&msg, window, 0, 0), 0);
    EXPECT_EQ(UINT{WM_CHAR}, msg.message);
    EXPECT_EQ(WPARAM{'q'}, msg.wParam);
    EXPECT_EQ(LPARAM{0x100001}, msg.lParam);
    ASSERT_GT(GetMessageA(&msg, window, 0, 0), 0);
    EXPECT_EQ(UINT{WM_SYSCHAR}, msg.message);
    EXPECT_EQ(WPARAM{'7'}, msg.wParam);
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(Messages, InvalidHandlesAreRefused)
{
    HWND made = reinterpret_cast<HWND>(uintptr_t{0x1234});
    MSG msg;
    EXPECT_EQ(-1, GetMessageA(nullptr, nullptr, 0, 0));
    EXPECT_EQ(-1, GetMessageA(&msg, made, 0, 0));
    EXPECT_FALSE(PostMessageA(made, WM_USER, 0, 0));
    EXPECT_EQ(0, SendMessageA(made, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(made));
    EXPECT_EQ(DWORD{ERROR_INVALID_WINDOW_HANDLE}, GetLastError());
    EXPECT_FALSE(ShowWindow(made, SW_SHOW));
    EXPECT_EQ(nullptr, GetDC(made));
    EXPECT_EQ(nullptr, CreateWindowExA(0, recordingClass(), "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                                       nullptr, nullptr));
    EXPECT_EQ(0ul, mwPlatformNativeWindow(made));
}

} // namespace
