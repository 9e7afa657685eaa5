// The stack of framework dialogs: each one is a modeless child of the main window made
// modal by a message loop of its own, covering the main window's usable area.
#include "Common/StdInit.h"

DialogFrameworkState g_dialogs;

static const wchar_t kFontKey[] = L"Software\\Orvant\\Launcher";
static const wchar_t kFontFace[] = L"Tahoma";
static const wchar_t kCreateLocation[] = L"..\\Common\\StdFuncs@\n:\n1015\n";

static void SendToMainWindow(UINT message)
{
  if (g_app.mainWindow != nullptr)
    SendMessageW(g_app.mainWindow, message, 0, 0);
}

// Desktop systems refuse to post this message (it may carry a pointer); it is then sent.
static void AnnounceWorkArea()
{
  if (!PostMessageW(g_app.mainWindow, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0))
    SendMessageW(g_app.mainWindow, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
}

static void HidePresentation()
{
  if (g_app.presentationWindow != nullptr)
    ShowWindow(g_app.presentationWindow, SW_HIDE);
}

// True when one more framework dialog fits on the stack.
static bool StackHasRoom()
{
  return g_dialogs.levelCount >= 0 && g_dialogs.levelCount < DIALOG_STACK_LEVELS - 1;
}

HWND CreateFrameworkDialog(HINSTANCE instance, int resourceId, HWND parent, DLGPROC procedure,
                           LPARAM parameter)
{
  // A full stack refuses the dialog rather than overrun; the caller shows nothing.
  if (!StackHasRoom())
    return nullptr;

  HidePresentation();
  if (g_app.openDialog != nullptr)
    ShowWindow(g_app.openDialog, SW_HIDE);
  g_dialogs.levels[g_dialogs.levelCount].dialog = g_app.openDialog;
  DialogLevel *level = &g_dialogs.levels[g_dialogs.levelCount + 1];
  level->dialog = nullptr;
  level->ended = FALSE;
  level->font = nullptr;
  g_dialogs.levelCount++;
  SendToMainWindow(MSG_DIALOG_OPENING);

  level->instance = instance;
  level->resourceId = resourceId;
  level->parent = parent;
  level->procedure = procedure;
  level->parameter = parameter;

  HWND dialog = nullptr;
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_DIALOG);
  HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  const DLGTEMPLATE *layout =
      loaded != nullptr ? static_cast<const DLGTEMPLATE *>(LockResource(loaded)) : nullptr;
  if (layout != nullptr)
    dialog = CreateDialogIndirectParamW(instance, layout, parent, procedure, parameter);
  if (dialog != nullptr)
    return dialog;

  DWORD error = GetLastError();
  UsePlatformMessageBox();
  SetLastError(error);
  ShowLastError(kCreateLocation);
  // The dialog below (if any) was recorded when this level was pushed; it comes back.
  g_app.openDialog = nullptr;
  EndCurrentDialog();
  return nullptr;
}

void RunDialogLoop()
{
  int level = g_dialogs.levelCount;
  if (level <= 0 || level >= DIALOG_STACK_LEVELS || g_app.openDialog == nullptr ||
      g_dialogs.levels[level].ended)
    return;

  while (!g_dialogs.levels[level].ended) {
    // What the main loop waits on besides messages is waited on here too: a handler that
    // closes this dialog ends the loop.
    if (!WaitForLoopMessage())
      continue;
    MSG message;
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // Every enclosing loop must see the quit message as well.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1)
      break;
    DispatchLoopMessage(&message);
  }
}

void EndCurrentDialog()
{
  int count = g_dialogs.levelCount;
  if (count < 0 || count >= DIALOG_STACK_LEVELS)
    count = g_dialogs.levelCount = 0;
  DialogLevel *level = &g_dialogs.levels[count];

  if (g_app.openDialog != nullptr) {
    DestroyWindow(g_app.openDialog);
    level->ended = TRUE;
    g_app.openDialog = nullptr;
  }
  if (level->font != nullptr) {
    DeleteObject(level->font);
    level->font = nullptr;
  }
  if (count > 1) {
    g_dialogs.levelCount = count - 1;
    g_app.openDialog = g_dialogs.levels[count - 1].dialog;
  }
  SendToMainWindow(MSG_DIALOG_CLOSED);

  if (g_app.openDialog != nullptr) {
    HidePresentation();
    // The screen may have turned while it was covered.
    PlaceOpenDialog();
    ShowWindow(g_app.openDialog, SW_SHOW);
    SetFocus(g_app.openDialog);
    UpdateWindow(g_app.openDialog);
    return;
  }
  g_dialogs.levelCount = 0;
  if (g_app.presentationWindow != nullptr) {
    ShowWindow(g_app.presentationWindow, SW_SHOW);
    SetFocus(g_app.presentationWindow);
    if (g_app.mainWindow != nullptr)
      AnnounceWorkArea();
  } else if (g_app.mainWindow != nullptr) {
    SetFocus(g_app.mainWindow);
    UpdateWindow(g_app.mainWindow);
  }
}

HFONT PrepareDialog(HWND dialog, int showCommand)
{
  ShowWindow(dialog, SW_HIDE);

  HFONT font = CreateDialogFont();
  if (font != nullptr) {
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    DialogLevel *level = &g_dialogs.levels[g_dialogs.levelCount];
    if (level->font != nullptr && level->font != font)
      DeleteObject(level->font);
    level->font = font;
  }

  static const struct {
    int control;
    WORD text;
  } buttons[] = {{IDOK, 161}, {IDCANCEL, 162}, {IDYES, 160}, {IDNO, 159}};
  for (size_t i = 0; i < sizeof(buttons) / sizeof(buttons[0]); i++)
    SetDialogItemText(dialog, buttons[i].control, TEXT_ID(buttons[i].text), font);

  // Over the usable area, not the whole client area: the launcher's own bands (the status
  // strip, the Windows Mobile menu bar) would lie over the dialog and take its taps.
  DialogLevel *level = &g_dialogs.levels[g_dialogs.levelCount];
  RecordControlPlaces(dialog, level);
  FitDialogToUsableArea(dialog, level);
  UpdateWindow(dialog);
  g_app.openDialog = dialog;

  ShowWindow(dialog, showCommand);
  return font;
}

// Reads one 4-byte font setting; -1 and values of another size count as absent.
static bool ReadFontSetting(const wchar_t *name, LONG *value)
{
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kFontKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD data = 0;
  DWORD size = sizeof(data);
  LONG result = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&data),
                                 &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || size != sizeof(data) || data == 0xFFFFFFFF)
    return false;
  *value = static_cast<LONG>(data);
  return true;
}

HFONT CreateDialogFont()
{
  if (!g_dialogs.fontHeightFound)
    g_dialogs.fontHeightFound = ReadFontSetting(L"FontHeight", &g_dialogs.fontHeight);
  if (!g_dialogs.fontWeightFound)
    g_dialogs.fontWeightFound = ReadFontSetting(L"FontWeight", &g_dialogs.fontWeight);

  LOGFONTW description = {};
  description.lfHeight = g_dialogs.fontHeightFound ? g_dialogs.fontHeight : 0;
  description.lfWeight = g_dialogs.fontWeightFound ? g_dialogs.fontWeight : 0;
  description.lfCharSet = DEFAULT_CHARSET;
  CopyText(description.lfFaceName, LF_FACESIZE, kFontFace);
  return CreateFontIndirectW(&description);
}
