// The input library: names, bindings, polls into the action bytes, the
// device table and its report, and the fatal paths.
#include <cstring>
#include <string>

#include <linux/input-event-codes.h>
#include <linux/joystick.h>

#include "input_support.h"
#include "mwerror.h"
#include "mwinput.h"
#include "report_support.h"

using namespace inputtest;

namespace {

const bool headless = useHeadless();

// The kernel up with its off-screen main window and the input library
// started, in a folder of its own for the report log.
class Scenario {
public:
    Scenario()
    {
        folder_.enter();
        mwInit(1 << 20, 1 << 19, "Input");
        window = static_cast<HWND>(mwGetMainWindow());
        mwiInit();
        mwiSetActions(actions, sizeof actions);
    }
    std::string log() const { return mwtest::readFile(folder_ / "MARROW.TXT"); }

    HWND window = nullptr;
    int8_t actions[12] = {};

private:
    mwtest::TempDir folder_;
};

TEST(InputNames, EveryNamedCodeRoundTripsAndOthersAreNone)
{
    int named = 0;
    for (int code = -1; code <= MWI_CODES; code++) {
        const std::string name = mwiNameFromCode(code);
        if (name == "MWI_NONE")
            continue;
        named++;
        EXPECT_EQ(code, mwiCodeFromName(name.c_str())) << name;
    }
    EXPECT_EQ(MWI_NAMES - 1, named);

    const std::pair<int, const char *> samples[] = {
        {1, "MWI_KEY_ESCAPE"},       {11, "MWI_KEY_0"},          {57, "MWI_KEY_SPACE"},
        {83, "MWI_KEY_DECIMAL"},     {87, "MWI_KEY_F11"},        {221, "MWI_KEY_APPS"},
        {256, "MWI_MOUSE_X_AXIS"},   {262, "MWI_MOUSE_BUTTON4"}, {263, "MWI_PAD1_X_AXIS"},
        {269, "MWI_PAD1_POV_RIGHT"}, {280, "MWI_PAD2_X_AXIS"},   {297, "MWI_PAD3_X_AXIS"},
        {314, "MWI_PAD4_X_AXIS"},    {330, "MWI_PAD4_BUTTON10"},
    };
    for (const auto &[code, name] : samples) {
        EXPECT_STREQ(name, mwiNameFromCode(code));
        EXPECT_EQ(code, mwiCodeFromName(name));
    }
    for (const char *unknown : {"MWI_KEY_NOPE", "mwi_key_escape", "MWI_KEY_ESCAPE ", "", "MWI_NONE"})
        EXPECT_EQ(MWI_NONE, mwiCodeFromName(unknown)) << unknown;
    EXPECT_EQ(MWI_NONE, mwiCodeFromName(nullptr));
    for (int code : {999, 84, -1, MWI_CODES})
        EXPECT_STREQ("MWI_NONE", mwiNameFromCode(code)) << code;
}

TEST(InputBindings, BadCodesAndActionsAreRefused)
{
    MW_ISOLATED(([] {
        EXPECT_EQ(0, mwiBind(MWI_KEY_ESCAPE, 0)); // no action array yet
        int8_t actions[7];
        mwiSetActions(actions, 7);
        EXPECT_EQ(0, mwiBind(MWI_CODES, 1));
        EXPECT_EQ(0, mwiBind(-1, 1));
        EXPECT_EQ(0, mwiBind(MWI_KEY_ESCAPE, 7));
        EXPECT_EQ(0, mwiBind(MWI_KEY_ESCAPE, -1));
        EXPECT_EQ(1, mwiBind(MWI_PAD4_BUTTON10, 6));
        EXPECT_EQ(1, mwiBind(MWI_NONE, 0));
        mwiSetActions(actions, 0);
        EXPECT_EQ(0, mwiBind(MWI_KEY_ESCAPE, 0));
        mwiSetActions(nullptr, 7);
        EXPECT_EQ(0, mwiBind(MWI_KEY_ESCAPE, 0));
    }));
}

TEST(InputErrors, DirectInputErrorsHaveTheirMessages)
{
    const std::pair<uint32_t, const char *> messages[] = {
        {0x80070481u, "Beta DirectInput Version"},
        {0x80070057u, "Invalid Parameter"},
        {0x80070015u, "Not initialized"},
        {0x8007047Eu, "Old DirectInput Version"},
        {0x8007000Eu, "Out of memory"},
        {0x8007001Eu, "Unknow DirectInput Error"},
        {0u, "Unknow DirectInput Error"},
    };
    for (const auto &[result, message] : messages)
        EXPECT_STREQ(message, mwiErrorString(static_cast<int32_t>(result))) << std::hex << result;
}

TEST(InputPoll, MouseAxesTakeTheLowByteOfTheMoveAndButtonsTheirByte)
{
    MW_ISOLATED(([] {
        Scenario s;
        const std::pair<int, int> binds[] = {{MWI_MOUSE_X_AXIS, 1},  {MWI_MOUSE_Y_AXIS, 2},
                                             {MWI_MOUSE_Z_AXIS, 3},  {MWI_MOUSE_BUTTON1, 4},
                                             {MWI_MOUSE_BUTTON2, 5}, {MWI_MOUSE_BUTTON4, 6}};
        for (const auto &[code, action] : binds)
            ASSERT_EQ(1, mwiBind(code, action));
        struct Step {
            MWP_INPUT_EVENT event;
            int action;
            int8_t expected;
        };
        const Step steps[] = {
            {motionEvent(0, 0), 1, 0}, // no move
            {motionEvent(1, 0), 1, 1},
            {motionEvent(256, 0), 1, 0}, // the low byte of 256
            {motionEvent(300, 0), 1, 44},
            {motionEvent(0, -1), 2, -1},
            {motionEvent(-129, 0), 1, 127},
            {wheelEvent(MWP_WHEEL_DELTA), 3, 120},
            {buttonEvent(MWP_INPUT_BUTTON_DOWN, 0), 4, -128},
            {buttonEvent(MWP_INPUT_BUTTON_DOWN, 1), 5, -128},
            {buttonEvent(MWP_INPUT_BUTTON_DOWN, 3), 6, -128},
            {buttonEvent(MWP_INPUT_BUTTON_UP, 0), 4, 0},
        };
        for (const Step &step : steps) {
            if (step.event.type != MWP_INPUT_MOTION || step.event.dx || step.event.dy)
                send(s.window, step.event);
            mwiPoll();
            EXPECT_EQ(step.expected, s.actions[step.action]) << "after event " << (&step - steps);
        }
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]);    // nothing moved since
        EXPECT_EQ(-128, s.actions[5]); // still held
    }));
}

TEST(InputPoll, AHeldKeyReads127UntilReleasedAndEventsMarkPresses)
{
    MW_ISOLATED(([] {
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        ASSERT_EQ(1, mwiBind(MWI_KEY_A, 2));
        press(s.window, kEscape);
        for (int poll = 0; poll < 3; poll++) {
            mwiPoll();
            EXPECT_EQ(127, s.actions[1]) << "poll " << poll;
        }
        release(s.window, kEscape);
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]);

        press(s.window, kKeyA);
        release(s.window, kKeyA);
        press(s.window, kUp);
        mwiPoll();
        EXPECT_EQ(0, s.actions[2]); // pressed and released within one frame
        int count = -1;
        const int32_t *events = mwiGetKeyEvents(&count);
        ASSERT_EQ(3, count);
        ASSERT_NE(nullptr, events);
        EXPECT_EQ(MWI_KEY_A | MWI_KEY_PRESSED, events[0]);
        EXPECT_EQ(MWI_KEY_A, events[1]);
        EXPECT_EQ(MWI_KEY_UP | MWI_KEY_PRESSED, events[2]);
        mwiPoll();
        EXPECT_EQ(nullptr, mwiGetKeyEvents(&count));
        EXPECT_EQ(0, count);
    }));
}

TEST(InputPoll, WithoutAnActionArrayDevicesAreReadAndNothingIsWritten)
{
    MW_ISOLATED(([] {
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_X_AXIS, 2));
        std::memset(s.actions, 0x55, sizeof s.actions);
        mwiSetActions(nullptr, 0);
        press(s.window, kEscape);
        send(s.window, motionEvent(9, 0));
        mwiPoll();
        int count = 0;
        EXPECT_NE(nullptr, mwiGetKeyEvents(&count));
        EXPECT_EQ(1, count); // the keyboard was read
        for (int8_t action : s.actions)
            EXPECT_EQ(0x55, action);

        mwiSetActions(s.actions, sizeof s.actions);
        release(s.window, kEscape);
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]);
        EXPECT_EQ(0, s.actions[2]); // the move went to the earlier poll
    }));
}

TEST(InputPoll, ADeviceThatLostItsInputReadsAtRestUntilTheFocusComesBack)
{
    MW_ISOLATED(([] {
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_X_AXIS, 2));
        ASSERT_EQ(1, mwiBind(MWI_MOUSE_BUTTON1, 3));
        press(s.window, kEscape);
        send(s.window, motionEvent(5, 0));
        send(s.window, buttonEvent(MWP_INPUT_BUTTON_DOWN, 0));
        mwiPoll();
        ASSERT_EQ(127, s.actions[1]);
        ASSERT_EQ(5, s.actions[2]);
        ASSERT_EQ(-128, s.actions[3]);

        // Released while another window has the keyboard: nobody tells us.
        ASSERT_EQ(1, mwPlatformInjectWindowEvent(s.window, MWP_WINDOW_FOCUS_OUT));
        send(s.window, motionEvent(7, 0));
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]);
        EXPECT_EQ(0, s.actions[2]);
        EXPECT_EQ(0, s.actions[3]);
        press(s.window, kEscape);
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]); // not ours while in the background

        ASSERT_EQ(1, mwPlatformInjectWindowEvent(s.window, MWP_WINDOW_FOCUS_IN));
        mwiPoll(); // acquires again; what came before is not replayed
        EXPECT_EQ(0, s.actions[1]);
        press(s.window, kKeyA);
        release(s.window, kEscape);
        press(s.window, kEscape);
        mwiPoll();
        EXPECT_EQ(127, s.actions[1]);
    }));
}

TEST(InputPoll, AKeyWhoseReleaseOverflowedTheBufferIsLetGo)
{
    MW_ISOLATED(([] {
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        ASSERT_EQ(1, mwiBind(MWI_KEY_A, 2));
        press(s.window, kEscape);
        // Sixteen more records fill the buffer before Escape's release.
        for (uint32_t key = KEY_Q + 8; key < KEY_Q + 8 + 8; key++) {
            press(s.window, key);
            release(s.window, key);
        }
        release(s.window, kEscape);
        press(s.window, kKeyA); // missed as well, but it is down
        mwiPoll();
        int count = 0;
        mwiGetKeyEvents(&count);
        EXPECT_EQ(MWI_KEY_EVENTS, count);
        EXPECT_EQ(0, s.actions[1]);
        EXPECT_EQ(127, s.actions[2]);
    }));
}

TEST(InputPoll, BindingsBeyondASmallerArrayAreNotWritten)
{
    MW_ISOLATED(([] {
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 9));
        struct {
            int8_t actions[2];
            int8_t canary[14];
        } small;
        std::memset(&small, 0x5A, sizeof small);
        mwiSetActions(small.actions, 2);
        press(s.window, kEscape);
        mwiPoll();
        for (int8_t byte : small.canary)
            EXPECT_EQ(0x5A, byte);
    }));
}

TEST(InputPads, AxesPovDirectionsAndButtonsReachTheirActions)
{
    MW_ISOLATED(([] {
        const BYTE codes[] = {ABS_X, ABS_Y, ABS_Z, ABS_HAT0X, ABS_HAT0Y};
        const int pad = mwPlatformAddVirtualPad("Pad", 5, codes, 10);
        Scenario s;
        const int binds[] = {MWI_PAD1_X_AXIS,    MWI_PAD1_Y_AXIS,   MWI_PAD1_Z_AXIS,
                             MWI_PAD1_POV_UP,    MWI_PAD1_POV_DOWN, MWI_PAD1_POV_LEFT,
                             MWI_PAD1_POV_RIGHT, MWI_PAD1_BUTTON1,  MWI_PAD1_BUTTON10};
        for (int i = 0; i < 9; i++)
            ASSERT_EQ(1, mwiBind(binds[i], i + 1));
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]); // centred

        // Pad events and the actions 1..9 after the poll that follows.
        struct Step {
            int type, number, value;
            int8_t expected[9];
        };
        const Step steps[] = {
            {JS_EVENT_AXIS, 0, -32768, {-128, 0, 0, 0, 0, 0, 0, 0, 0}},      // 0
            {JS_EVENT_AXIS, 1, 32767, {-128, 127, 0, 0, 0, 0, 0, 0, 0}},     // 65535
            {JS_EVENT_AXIS, 0, 0, {0, 127, 0, 0, 0, 0, 0, 0, 0}},            // 32768
            {JS_EVENT_AXIS, 4, -32767, {0, 127, 0, -128, 0, 0, 0, 0, 0}},    // hat up
            {JS_EVENT_AXIS, 3, 32767, {0, 127, 0, -128, 0, 0, -128, 0, 0}},  // up and right
            {JS_EVENT_AXIS, 4, 32767, {0, 127, 0, 0, -128, 0, -128, 0, 0}},  // down and right
            {JS_EVENT_AXIS, 3, -32767, {0, 127, 0, 0, -128, -128, 0, 0, 0}}, // down and left
            {JS_EVENT_AXIS, 4, 0, {0, 127, 0, 0, 0, -128, 0, 0, 0}},         // left
            {JS_EVENT_AXIS, 3, 0, {0, 127, 0, 0, 0, 0, 0, 0, 0}},            // centred
            {JS_EVENT_BUTTON, 0, 1, {0, 127, 0, 0, 0, 0, 0, -128, 0}},
            {JS_EVENT_BUTTON, 9, 1, {0, 127, 0, 0, 0, 0, 0, -128, -128}},
        };
        for (const Step &step : steps) {
            ASSERT_EQ(1, mwPlatformSendPadEvent(pad, step.type, step.number, step.value));
            mwiPoll();
            for (int i = 0; i < 9; i++)
                EXPECT_EQ(step.expected[i], s.actions[i + 1])
                    << mwiNameFromCode(binds[i]) << " after object " << step.number << " at " << step.value;
        }

        ASSERT_EQ(1, mwPlatformUnplugVirtualPad(pad));
        mwiPoll();
        for (int i = 1; i <= 9; i++)
            EXPECT_EQ(0, s.actions[i]) << mwiNameFromCode(binds[i - 1]); // gone: at rest
    }));
}

TEST(InputDevices, ASeventhDeviceIsNotOpenedAndTheReportListsTheSix)
{
    MW_ISOLATED(([] {
        const int detached = mwPlatformAddVirtualPad("Detached", 2, nullptr, 2);
        mwPlatformUnplugVirtualPad(detached);
        int pads[5];
        for (int i = 0; i < 5; i++)
            pads[i] = mwPlatformAddVirtualPad(("Pad " + std::string(1, static_cast<char>('A' + i))).c_str(),
                                              2, nullptr, 3);
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_PAD1_BUTTON1, 1));
        ASSERT_EQ(1, mwiBind(MWI_PAD4_BUTTON1, 4));
        mwPlatformSendPadEvent(pads[0], JS_EVENT_BUTTON, 0, 1);
        mwPlatformSendPadEvent(pads[3], JS_EVENT_BUTTON, 0, 1);
        mwPlatformSendPadEvent(pads[4], JS_EVENT_BUTTON, 0, 1); // not opened: nothing may change
        mwiPoll();
        EXPECT_EQ(-128, s.actions[1]);
        EXPECT_EQ(-128, s.actions[4]);
        for (int i : {0, 2, 3, 5, 6, 7, 8, 9, 10, 11})
            EXPECT_EQ(0, s.actions[i]) << "action " << i;

        mwiReport();
        const std::string device = "      Attached : YES       Acquired : YES\n"
                                   "      Axes     :   2       Buttons  :   3\n"
                                   "      POV Hats :   0\n"
                                   "      Firmware :   0.  0\n"
                                   "      Hardware :   0.  0\n";
        const std::string report = "* MWIN   : Input Devices\n"
                                   "0  - Mouse (Mouse)\n"
                                   "      Attached : YES       Acquired : YES\n"
                                   "      Axes     :   3       Buttons  :   4\n"
                                   "      POV Hats :   0\n"
                                   "      Firmware :   0.  0\n"
                                   "      Hardware :   0.  0\n"
                                   "1  - Keyboard (Keyboard)\n"
                                   "      Attached : YES       Acquired : YES\n"
                                   "      Axes     :   0       Buttons  : 112\n"
                                   "      POV Hats :   0\n"
                                   "      Firmware :   0.  0\n"
                                   "      Hardware :   0.  0\n"
                                   "2  - Virtual pad 2 (Pad A)\n" +
                                   device + "3  - Virtual pad 3 (Pad B)\n" + device +
                                   "4  - Virtual pad 4 (Pad C)\n" + device + "5  - Virtual pad 5 (Pad D)\n" +
                                   device + "\n";
        const std::string log = s.log();
        const size_t at = log.find("* MWIN");
        ASSERT_NE(std::string::npos, at) << log;
        EXPECT_EQ(report, log.substr(at));

        mwiDeinit();
        mwiReport();
        const std::string after = s.log();
        EXPECT_EQ("* MWIN   : Input Devices\n0: NULL\n1: NULL\n2: NULL\n3: NULL\n4: NULL\n5: NULL\n\n",
                  after.substr(after.rfind("* MWIN")));
    }));
}

TEST(InputDevices, DeinitIsAnExitFunctionAndLeavesNothingToRead)
{
    MW_ISOLATED(([] {
        Scenario s;
        ASSERT_EQ(1, mwiBind(MWI_KEY_ESCAPE, 1));
        EXPECT_EQ(1, mwExitCall()); // mwiDeinit, as a fatal report would run it
        press(s.window, kEscape);
        mwiPoll();
        EXPECT_EQ(0, s.actions[1]);
        EXPECT_EQ(nullptr, mwiGetKeyEvents(nullptr));
        mwiInit(); // opens the devices afresh
        mwiSetActions(s.actions, sizeof s.actions);
        press(s.window, kKeyA);
        release(s.window, kEscape);
        press(s.window, kEscape);
        mwiPoll();
        EXPECT_EQ(127, s.actions[1]);
    }));
}

TEST(InputDeathTest, WithoutTheMainWindowThereIsNoKeyboard)
{
    EXPECT_REPORT(
        {
            mwSetErrorHandlers(mwKernelFatal, mwKernelError);
            mwiInit();
        },
        "^Error: mwiInit: cannot aquire keyboard\n$");
}

TEST(InputDeathTest, BadDeviceArgumentsAreInvalidParameters)
{
    const char *const calls[] = {"diGetDevices", "mwiAcquire", "mwiRefreshCaps"};
    for (int call = 0; call < 3; call++) {
        EXPECT_REPORT(
            {
                mwSetErrorHandlers(mwKernelFatal, mwKernelError);
                if (call == 0)
                    diGetDevices(nullptr);
                else if (call == 1)
                    mwiAcquire(MWI_DEVICES);
                else
                    mwiRefreshCaps(-2);
            },
            "^Error Code \\(0h\\) mwdinput:[0-9]+: " + std::string(calls[call]) + ": Invalid Parameter\n$");
    }
}

} // namespace
