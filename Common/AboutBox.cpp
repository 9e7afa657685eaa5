// The About box: title, version, the program icon, copyright and company over the main
// window's client area.
#include "Common/StdInit.h"

#include "resources/resource.h"

struct AboutState {
  bool open;
  wchar_t title[TEXT_CAPACITY];
  wchar_t version[TEXT_CAPACITY];
  TextOrId copyright;
  TextOrId company;
  WORD iconId;
  HICON icon;
  HFONT font;
};
static AboutState g_about;

static HINSTANCE ProgramInstance()
{
  return g_app.instance != nullptr ? g_app.instance : GetModuleHandleW(nullptr);
}

static INT_PTR OnAboutInit(HWND dialog)
{
  g_about.font = PrepareDialog(dialog, SW_HIDE);
  SetDialogItemText(dialog, IDC_ABOUT_COPYRIGHT, g_about.copyright, g_about.font);
  SetDialogItemText(dialog, IDC_ABOUT_COMPANY, g_about.company, g_about.font);
  g_about.icon = nullptr;
  if (g_about.iconId != 0)
    g_about.icon = static_cast<HICON>(LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(g_about.iconId),
                                                 IMAGE_ICON, 32, 32, 0));
  SetDialogItemText(dialog, IDC_ABOUT_TEXT1, g_about.title, g_about.font);
  SetDialogItemText(dialog, IDC_ABOUT_TEXT2, g_about.version, g_about.font);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(GetDlgItem(dialog, IDC_ABOUT_TEXT1));
  return FALSE;
}

static INT_PTR OnAboutDrawItem(const DRAWITEMSTRUCT *item)
{
  if (item != nullptr && item->CtlID == IDC_ABOUT_ICON && g_about.iconId != 0 &&
      g_about.icon != nullptr)
    DrawIconEx(item->hDC, 0, 0, g_about.icon, 0, 0, 0, nullptr, DI_NORMAL);
  return TRUE;
}

static INT_PTR OnAboutCommand(HWND dialog, int command)
{
  if (command != IDOK && command != IDCANCEL)
    return TRUE;
  // Only the dialog on top may end; a command aimed at a covered one is ignored.
  if (dialog != g_app.openDialog)
    return TRUE;
  if (g_about.icon != nullptr) {
    DestroyIcon(g_about.icon);
    g_about.icon = nullptr;
  }
  EndCurrentDialog();
  return TRUE;
}

static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case WM_INITDIALOG:
    return OnAboutInit(dialog);
  case WM_DRAWITEM:
    return OnAboutDrawItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
  case WM_COMMAND:
    return OnAboutCommand(dialog, LOWORD(wParam));
  default:
    return FALSE;
  }
}

void ShowAboutBox(TextOrId version, TextOrId title, WORD iconId, TextOrId copyright,
                  TextOrId company)
{
  if (g_about.open)
    return;
  g_about.open = true;
  LoadTextOrId(version, g_about.version, TEXT_CAPACITY);
  LoadTextOrId(title, g_about.title, TEXT_CAPACITY);
  g_about.copyright = copyright;
  g_about.company = company;
  g_about.iconId = iconId;

  HACCEL remembered = g_app.currentAccelerators;
  g_app.currentAccelerators = LoadAcceleratorsW(ProgramInstance(), MAKEINTRESOURCEW(IDA_ABOUT));
  HWND dialog =
      CreateFrameworkDialog(ProgramInstance(), IDD_ABOUT, g_app.mainWindow, AboutDialogProc, 0);
  if (dialog != nullptr) {
    g_app.openDialog = dialog;
    RunDialogLoop();
  }
  g_app.currentAccelerators = remembered;
  // A dialog still open underneath keeps the focus.
  if (g_app.openDialog == nullptr && g_app.mainWindow != nullptr)
    SetFocus(g_app.mainWindow);
  g_about.open = false;
}
