#pragma once
// The shared library: dialog framework and error messages, the About box, and the
// path and text helpers.
#include <windows.h>
#include <stddef.h>

#include "Common/NullPtr.h"
#include "cecompat/CePlatform.h"

// Every text buffer of the program holds 259 characters and the terminator, unless a
// field says otherwise (an entry's Command holds 519).
enum { TEXT_CAPACITY = 260, COMMAND_CAPACITY = 520 };

// A text given either as 0 (empty), as a string resource id 1..0xFFFF, or as a pointer.
typedef const wchar_t *TextOrId;
#define TEXT_ID(id) (reinterpret_cast<TextOrId>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
inline bool IsTextId(TextOrId value) { return reinterpret_cast<ULONG_PTR>(value) <= 0xFFFF; }

// Copies text into a buffer of capacity characters, cutting it when it does not fit.
// Returns false when it had to cut.
bool CopyText(wchar_t *buffer, size_t capacity, const wchar_t *text);
// Appends text, cutting it when it does not fit. Returns false when it had to cut.
bool AppendText(wchar_t *buffer, size_t capacity, const wchar_t *text);
// The value of one hexadecimal digit (either case), or -1.
int HexDigitValue(wchar_t c);

// ---- Path and text helpers ---------------------------------------------------------
// In place: replaces the first occurrence of sought by replacement. A result that would
// not fit capacity characters (terminator included) is refused: the text stays as it was,
// the result is false and *tooLong (when given) is set.
bool ReplaceFirst(wchar_t *text, size_t capacity, const wchar_t *sought,
                  const wchar_t *replacement, bool *tooLong = nullptr);
// The text from the last '.' of the whole path to its end; empty when there is none.
bool GetExtension(const wchar_t *path, wchar_t *extension, size_t capacity);
// Replaces every control character but line feed, carriage return and tab by '?', in place.
void ReplaceControlCharacters(wchar_t *text);
// Leading blanks skipped, up to the last backslash dropped, the last extension cut.
// Leaves name untouched when nothing remains after the last backslash.
bool GetBaseName(const wchar_t *path, wchar_t *name, size_t capacity);
// Leading blanks skipped; the text up to and including the last backslash.
bool GetDirectory(const wchar_t *path, wchar_t *directory, size_t capacity);

// ---- Texts and windows ------------------------------------------------------------
// A string id the table lacks gives "#<id>" so that the fault shows.
void LoadTextOrId(TextOrId value, wchar_t *buffer, int capacity);
void SetDialogItemText(HWND dialog, int controlId, TextOrId text, HFONT font);
void SetWindowTitle(HWND window, TextOrId text);
// The text with up to two numbers or texts put in (wsprintfW), cut to the buffer.
void FormatStringById(wchar_t *buffer, int capacity, TextOrId format, ULONG_PTR argument,
                      ULONG_PTR second = 0);
// Shows window (which may belong to another process) and brings it to the front; the
// window finishes on its own thread when MSG_BROUGHT_TO_FRONT arrives (OnBroughtToFront).
void BringWindowToFront(HWND window);
// The window's own part of being brought to the front: the focus and, off Pocket PC, the
// pop-up style.
void OnBroughtToFront(HWND window);
bool IsPocketPC();
// 0 good, 1 low, 2 very low, 3 unknown (also where the device has no battery driver).
int GetBatteryLevel();
// The battery driver's status (GetSystemPowerStatusEx / Ex2, looked up at run time); false
// where the device has no such driver or the reading failed.
bool ReadPowerStatusEx(SYSTEM_POWER_STATUS_EX *status);
bool ReadPowerStatusEx2(SYSTEM_POWER_STATUS_EX2 *status);

// ---- Error messages --------------------------------------------------------------
void ShowErrorMessage(TextOrId text, TextOrId detail);
void ShowErrorWithCode(TextOrId text, DWORD code);
void ShowErrorWithCodeText(TextOrId text, DWORD code, const wchar_t *extra);
void ShowLastError(TextOrId text);
void ShowLastErrorText(TextOrId text, const wchar_t *extra);
void UsePlatformMessageBox();

// The one way out for every message the program shows. A desktop tool that checks
// configurations installs a collector and receives each message instead of a box (text,
// detail and caption as the user would read them); without one, messages are shown.
typedef void (*MessageCollector)(const wchar_t *text, const wchar_t *detail,
                                 const wchar_t *caption);
void CollectMessages(MessageCollector collector);
// MessageBoxW, or the collector when one is installed (the answer is then IDOK).
int ShowMessageBox(HWND owner, const wchar_t *text, const wchar_t *caption, UINT style);

// ---- Dialog framework ------------------------------------------------------------
// A level remembers where this many of its dialog's controls stood in the layout.
enum { DIALOG_STACK_LEVELS = 100, DIALOG_CONTROL_PLACES = 8 };

// Private messages the framework sends to the main window around its dialogs.
enum { MSG_DIALOG_OPENING = WM_USER + 0x103, MSG_DIALOG_CLOSED = WM_USER + 0x104 };
// Posted to the running launcher's main window by a second start (BringWindowToFront).
enum { MSG_BROUGHT_TO_FRONT = WM_USER + 0x105 };

// A control of a framework dialog and its rectangle in the layout as made, in pixels.
struct ControlPlace {
  HWND control;
  RECT rect;
};

struct DialogLevel {
  HWND dialog;      // recorded when the next level opens
  BOOL ended;
  HFONT font;
  HINSTANCE instance;
  int resourceId;
  HWND parent;
  DLGPROC procedure;
  LPARAM parameter;
  ControlPlace places[DIALOG_CONTROL_PLACES];
  int placeCount;
};

struct MessageRecord {
  wchar_t text[TEXT_CAPACITY];
  wchar_t detail[TEXT_CAPACITY];
  wchar_t caption[TEXT_CAPACITY];
  wchar_t savedTitle[TEXT_CAPACITY];
  HFONT font;
};

struct DialogFrameworkState {
  DialogLevel levels[DIALOG_STACK_LEVELS];
  int levelCount;
  int platformMessageBox;
  bool settingRead;
  LONG fontHeight;
  bool fontHeightFound;
  LONG fontWeight;
  bool fontWeightFound;
  MessageRecord message;
};
extern DialogFrameworkState g_dialogs;

HWND CreateFrameworkDialog(HINSTANCE instance, int resourceId, HWND parent, DLGPROC procedure,
                           LPARAM parameter);
void RunDialogLoop();
void EndCurrentDialog();
HFONT PrepareDialog(HWND dialog, int showCommand);
// Remembers where the dialog's controls stand as made (called before it is first placed).
void RecordControlPlaces(HWND dialog, DialogLevel *level);
// Puts the dialog over the usable area of the main window and fits its controls into it.
void FitDialogToUsableArea(HWND dialog, const DialogLevel *level);
// Fits the open framework dialog into the usable area again (after a size change): its
// controls move closer and narrow where the area is smaller than the layout, so that every
// button stays whole and reachable.
void PlaceOpenDialog();
HFONT CreateDialogFont();

// ---- About box -------------------------------------------------------------------
void ShowAboutBox(TextOrId version, TextOrId title, WORD iconId, TextOrId copyright,
                  TextOrId company);
