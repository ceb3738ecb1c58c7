/*
 * mwinput.h - the input library: every keyboard, mouse and game pad that
 * DirectInput reports, read into a table of action bytes that the
 * application owns.
 *
 * Use: mwiInit once the main window exists; mwiSetActions with the
 * application's array of signed bytes; mwiBind input codes to indices of
 * that array; mwiPoll once per frame. After a poll each bound action holds
 * the value of its input:
 * - a key: 127 from the poll that sees it pressed until the poll that sees
 *   it released, then 0;
 * - a mouse axis: the low byte of the counts moved since the last poll
 *   (a move of 256 counts reads 0); the wheel is the Z axis;
 * - a mouse or pad button: 0x80 (-128) while down, else 0;
 * - a pad axis: -128 at one end, 0 centred, 127 at the other;
 * - a pad POV direction: 0x80 (-128) while the pad's first hat points that
 *   way (a diagonal counts for both of its directions), else 0.
 * Every input starts bound to action 0, which therefore carries no action;
 * several inputs may share an action (the last one read wins). A device
 * that cannot be read (its window lost the focus, a pad was unplugged)
 * reads as at rest: its bound keys, buttons and axes become 0 and stay so
 * until it can be read again.
 *
 * Devices: at most MWI_DEVICES, the first four pads numbered 1 to 4 in the
 * order DirectInput reports them. Progress and device reports go to the
 * report log with the tag "MWIN".
 */
#ifndef MWINPUT_H
#define MWINPUT_H

#include <stdint.h>

#include "mwkernel.h"

MW_EXTERN_C_BEGIN

/*---- Input codes ---------------------------------------------------------*/
/* Keys are their keyboard scan codes (DirectInput's DIK_ values); codes
 * without a name below exist but nothing reports them. */

#define MWI_CODES 331 /* 0 .. MWI_CODES - 1 */
#define MWI_NAMES 196 /* named codes, MWI_NONE included */

/* clang-format off: the codes are laid out as a table */
enum {
    MWI_NONE = 0,

    MWI_KEY_ESCAPE = 1,
    MWI_KEY_1 = 2,
    MWI_KEY_2 = 3,
    MWI_KEY_3 = 4,
    MWI_KEY_4 = 5,
    MWI_KEY_5 = 6,
    MWI_KEY_6 = 7,
    MWI_KEY_7 = 8,
    MWI_KEY_8 = 9,
    MWI_KEY_9 = 10,
    MWI_KEY_0 = 11,
    MWI_KEY_MINUS = 12,
    MWI_KEY_EQUALS = 13,
    MWI_KEY_BACK = 14,
    MWI_KEY_TAB = 15,
    MWI_KEY_Q = 16,
    MWI_KEY_W = 17,
    MWI_KEY_E = 18,
    MWI_KEY_R = 19,
    MWI_KEY_T = 20,
    MWI_KEY_Y = 21,
    MWI_KEY_U = 22,
    MWI_KEY_I = 23,
    MWI_KEY_O = 24,
    MWI_KEY_P = 25,
    MWI_KEY_LBRACKET = 26,
    MWI_KEY_RBRACKET = 27,
    MWI_KEY_RETURN = 28,
    MWI_KEY_LCONTROL = 29,
    MWI_KEY_A = 30,
    MWI_KEY_S = 31,
    MWI_KEY_D = 32,
    MWI_KEY_F = 33,
    MWI_KEY_G = 34,
    MWI_KEY_H = 35,
    MWI_KEY_J = 36,
    MWI_KEY_K = 37,
    MWI_KEY_L = 38,
    MWI_KEY_SEMICOLON = 39,
    MWI_KEY_APOSTROPHE = 40,
    MWI_KEY_GRAVE = 41,
    MWI_KEY_LSHIFT = 42,
    MWI_KEY_BACKSLASH = 43,
    MWI_KEY_Z = 44,
    MWI_KEY_X = 45,
    MWI_KEY_C = 46,
    MWI_KEY_V = 47,
    MWI_KEY_B = 48,
    MWI_KEY_N = 49,
    MWI_KEY_M = 50,
    MWI_KEY_COMMA = 51,
    MWI_KEY_PERIOD = 52,
    MWI_KEY_SLASH = 53,
    MWI_KEY_RSHIFT = 54,
    MWI_KEY_MULTIPLY = 55,
    MWI_KEY_LMENU = 56,
    MWI_KEY_SPACE = 57,
    MWI_KEY_CAPITAL = 58,
    MWI_KEY_F1 = 59,
    MWI_KEY_F2 = 60,
    MWI_KEY_F3 = 61,
    MWI_KEY_F4 = 62,
    MWI_KEY_F5 = 63,
    MWI_KEY_F6 = 64,
    MWI_KEY_F7 = 65,
    MWI_KEY_F8 = 66,
    MWI_KEY_F9 = 67,
    MWI_KEY_F10 = 68,
    MWI_KEY_NUMLOCK = 69,
    MWI_KEY_SCROLL = 70,
    MWI_KEY_NUMPAD7 = 71,
    MWI_KEY_NUMPAD8 = 72,
    MWI_KEY_NUMPAD9 = 73,
    MWI_KEY_SUBTRACT = 74,
    MWI_KEY_NUMPAD4 = 75,
    MWI_KEY_NUMPAD5 = 76,
    MWI_KEY_NUMPAD6 = 77,
    MWI_KEY_ADD = 78,
    MWI_KEY_NUMPAD1 = 79,
    MWI_KEY_NUMPAD2 = 80,
    MWI_KEY_NUMPAD3 = 81,
    MWI_KEY_NUMPAD0 = 82,
    MWI_KEY_DECIMAL = 83,
    MWI_KEY_F11 = 87,
    MWI_KEY_F12 = 88,
    MWI_KEY_F13 = 100,
    MWI_KEY_F14 = 101,
    MWI_KEY_F15 = 102,
    MWI_KEY_KANA = 112,
    MWI_KEY_CONVERT = 121,
    MWI_KEY_NOCONVERT = 123,
    MWI_KEY_YEN = 125,
    MWI_KEY_NUMPADEQUALS = 141,
    MWI_KEY_CIRCUMFLEX = 144,
    MWI_KEY_AT = 145,
    MWI_KEY_COLON = 146,
    MWI_KEY_UNDERLINE = 147,
    MWI_KEY_KANJI = 148,
    MWI_KEY_STOP = 149,
    MWI_KEY_AX = 150,
    MWI_KEY_UNLABELED = 151,
    MWI_KEY_NUMPADENTER = 156,
    MWI_KEY_RCONTROL = 157,
    MWI_KEY_NUMPADCOMMA = 179,
    MWI_KEY_DIVIDE = 181,
    MWI_KEY_SYSRQ = 183,
    MWI_KEY_RMENU = 184,
    MWI_KEY_HOME = 199,
    MWI_KEY_UP = 200,
    MWI_KEY_PRIOR = 201,
    MWI_KEY_LEFT = 203,
    MWI_KEY_RIGHT = 205,
    MWI_KEY_END = 207,
    MWI_KEY_DOWN = 208,
    MWI_KEY_NEXT = 209,
    MWI_KEY_INSERT = 210,
    MWI_KEY_DELETE = 211,
    MWI_KEY_LWIN = 219,
    MWI_KEY_RWIN = 220,
    MWI_KEY_APPS = 221,

    MWI_MOUSE_X_AXIS = 256,
    MWI_MOUSE_Y_AXIS = 257,
    MWI_MOUSE_Z_AXIS = 258,
    MWI_MOUSE_BUTTON1 = 259,
    MWI_MOUSE_BUTTON2 = 260,
    MWI_MOUSE_BUTTON3 = 261,
    MWI_MOUSE_BUTTON4 = 262,

    /* Pad p has the 17 codes from 263 + 17 (p - 1) in this order. */
    MWI_PAD1_X_AXIS = 263,
    MWI_PAD1_Y_AXIS = 264,
    MWI_PAD1_Z_AXIS = 265,
    MWI_PAD1_POV_UP = 266,
    MWI_PAD1_POV_DOWN = 267,
    MWI_PAD1_POV_LEFT = 268,
    MWI_PAD1_POV_RIGHT = 269,
    MWI_PAD1_BUTTON1 = 270,
    MWI_PAD1_BUTTON2 = 271,
    MWI_PAD1_BUTTON3 = 272,
    MWI_PAD1_BUTTON4 = 273,
    MWI_PAD1_BUTTON5 = 274,
    MWI_PAD1_BUTTON6 = 275,
    MWI_PAD1_BUTTON7 = 276,
    MWI_PAD1_BUTTON8 = 277,
    MWI_PAD1_BUTTON9 = 278,
    MWI_PAD1_BUTTON10 = 279,

    MWI_PAD2_X_AXIS = 280,
    MWI_PAD2_Y_AXIS = 281,
    MWI_PAD2_Z_AXIS = 282,
    MWI_PAD2_POV_UP = 283,
    MWI_PAD2_POV_DOWN = 284,
    MWI_PAD2_POV_LEFT = 285,
    MWI_PAD2_POV_RIGHT = 286,
    MWI_PAD2_BUTTON1 = 287,
    MWI_PAD2_BUTTON2 = 288,
    MWI_PAD2_BUTTON3 = 289,
    MWI_PAD2_BUTTON4 = 290,
    MWI_PAD2_BUTTON5 = 291,
    MWI_PAD2_BUTTON6 = 292,
    MWI_PAD2_BUTTON7 = 293,
    MWI_PAD2_BUTTON8 = 294,
    MWI_PAD2_BUTTON9 = 295,
    MWI_PAD2_BUTTON10 = 296,

    MWI_PAD3_X_AXIS = 297,
    MWI_PAD3_Y_AXIS = 298,
    MWI_PAD3_Z_AXIS = 299,
    MWI_PAD3_POV_UP = 300,
    MWI_PAD3_POV_DOWN = 301,
    MWI_PAD3_POV_LEFT = 302,
    MWI_PAD3_POV_RIGHT = 303,
    MWI_PAD3_BUTTON1 = 304,
    MWI_PAD3_BUTTON2 = 305,
    MWI_PAD3_BUTTON3 = 306,
    MWI_PAD3_BUTTON4 = 307,
    MWI_PAD3_BUTTON5 = 308,
    MWI_PAD3_BUTTON6 = 309,
    MWI_PAD3_BUTTON7 = 310,
    MWI_PAD3_BUTTON8 = 311,
    MWI_PAD3_BUTTON9 = 312,
    MWI_PAD3_BUTTON10 = 313,

    MWI_PAD4_X_AXIS = 314,
    MWI_PAD4_Y_AXIS = 315,
    MWI_PAD4_Z_AXIS = 316,
    MWI_PAD4_POV_UP = 317,
    MWI_PAD4_POV_DOWN = 318,
    MWI_PAD4_POV_LEFT = 319,
    MWI_PAD4_POV_RIGHT = 320,
    MWI_PAD4_BUTTON1 = 321,
    MWI_PAD4_BUTTON2 = 322,
    MWI_PAD4_BUTTON3 = 323,
    MWI_PAD4_BUTTON4 = 324,
    MWI_PAD4_BUTTON5 = 325,
    MWI_PAD4_BUTTON6 = 326,
    MWI_PAD4_BUTTON7 = 327,
    MWI_PAD4_BUTTON8 = 328,
    MWI_PAD4_BUTTON9 = 329,
    MWI_PAD4_BUTTON10 = 330,
};
/* clang-format on */

/* Returns the code of a name (exact and case-sensitive), 0 (MWI_NONE) for
 * a name that is not one of them or NULL. */
int mwiCodeFromName(const char *name);
/* Returns the name of a code, "MWI_NONE" for a code without one. */
const char *mwiNameFromCode(int code);

/*---- Start-up and shutdown -----------------------------------------------*/

#define MWI_DEVICES 6
#define MWI_DEVICE_MOUSE 1
#define MWI_DEVICE_KEYBOARD 2
#define MWI_DEVICE_PAD 3

/* Starts DirectInput, opens and acquires the devices (the mouse and the
 * pads exclusively, the keyboard shared, all while the main window has the
 * focus) and registers mwiDeinit with the exit registry. No action array
 * is installed afterwards. Fatal without DirectInput ("mwiInit - <error>")
 * or without a keyboard ("mwiInit: cannot aquire keyboard"). Calling it
 * again opens the devices afresh. */
void mwiInit(void);

/* Unacquires and releases every device; polls then read nothing. */
void mwiDeinit(void);

/* Enumerates and opens the devices through an existing DirectInput
 * interface, closing those open before (mwiInit calls it). NULL is an
 * invalid parameter; a failed enumeration is fatal ("diGetDevices -
 * <error>"). */
struct IDirectInputA;
void diGetDevices(struct IDirectInputA *directInput);

/*---- Actions and bindings ------------------------------------------------*/

/* Installs the application's action array of count bytes (NULL or a count
 * below 1: none). The library writes into it on every poll until another
 * array is installed. Bindings to indices beyond the array are kept but
 * not written. */
void mwiSetActions(int8_t *actions, int count);

/* Binds an input code to an action index: 1 when an action array is
 * installed, 0 <= code < MWI_CODES and 0 <= action < count; otherwise 0 and
 * nothing changes. */
int mwiBind(int code, int action);

/*---- Reading -------------------------------------------------------------*/

/* Reads every device into the bound actions (see the top of this file).
 * Devices that are not acquired are acquired first; with no action array
 * installed the devices are still read, but nothing is written. */
void mwiPoll(void);

/* The keyboard events of the last poll, oldest first: at most MWI_KEY_EVENTS
 * scan codes, each with MWI_KEY_PRESSED set for a press and clear for a
 * release. Sets *count (when count is not NULL) and returns the library's
 * array, valid until the next call; NULL when there were none. */
#define MWI_KEY_EVENTS 16
#define MWI_KEY_PRESSED 0x100
const int32_t *mwiGetKeyEvents(int *count);

/*---- Devices -------------------------------------------------------------*/
/* device: an index of the device table (0 .. MWI_DEVICES - 1) or -1 for all;
 * any other number is an invalid parameter. Empty slots are passed over. */

/* Acquires; the device counts as acquired when DirectInput answers with
 * success (DI_OK, or DI_NOEFFECT for a device acquired already). */
void mwiAcquire(int device);

/* Reads the capabilities again. */
void mwiRefreshCaps(int device);

/* Refreshes every device's capabilities and writes the device table to the
 * report log. */
void mwiReport(void);

/* The message of a DirectInput error code; "Unknow DirectInput Error" for
 * any code without one. */
const char *mwiErrorString(int32_t result);

MW_EXTERN_C_END

#endif /* MWINPUT_H */
