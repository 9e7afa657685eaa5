// The whole launcher run in the test's thread: a thread timer drives it from inside
// whichever message loop is running, the launcher's own or a message box's.
#include "tests/support/LauncherRun.h"

#include <commctrl.h>

#include "Common/StdInit.h"
#include "launcher/config/ProgramEntries.h"
#include "launcher/shell/Startup.h"
#include "resources/resource.h"
#include "tests/support/ShellHarness.h"

namespace test {

namespace {

enum { TICK_MS = 20, SETTLED_TICKS = 3 };

struct RunState {
  LauncherRun *run;
  const std::vector<std::function<void()>> *steps;
  size_t nextStep;
  int settledTicks;
  bool closing;
  bool busy;
  bool inStep;
  DWORD start;
  DWORD limit;
};
RunState *s_state = nullptr;

std::wstring TextOf(HWND window)
{
  wchar_t text[1024] = {0};
  GetWindowTextW(window, text, 1024);
  return text;
}

void RecordListTexts(HWND list, std::vector<std::wstring> *texts)
{
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int item = 0; item < count; ++item) {
    for (int column = 0; column < 3; ++column) {
      wchar_t text[1024] = {0};
      LVITEMW request = {};
      request.iSubItem = column;
      request.pszText = text;
      request.cchTextMax = 1024;
      SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
      if (text[0] != 0)
        texts->push_back(text);
    }
  }
}

BOOL CALLBACK RecordChildText(HWND child, LPARAM parameter)
{
  std::wstring text = TextOf(child);
  if (!text.empty())
    reinterpret_cast<std::vector<std::wstring> *>(parameter)->push_back(text);
  return TRUE;
}

void RecordScreen(LauncherRun *run)
{
  run->screens.push_back({TextOf(g_app.mainWindow)});
  std::vector<std::wstring> *texts = &run->screens.back();
  HWND presentation = g_app.presentationWindow;
  wchar_t className[64] = {0};
  GetClassNameW(presentation, className, 64);
  if (lstrcmpW(className, WC_LISTVIEWW) == 0)
    RecordListTexts(presentation, texts);
  else
    EnumChildWindows(presentation, RecordChildText, reinterpret_cast<LPARAM>(texts));
}

// A framework dialog is no platform box: read its two texts and press OK.
void AnswerFrameworkDialog(LauncherRun *run)
{
  HWND dialog = g_app.openDialog;
  run->boxes.push_back(Box{TextOf(GetDlgItem(dialog, IDC_MSGSTR1)),
                           TextOf(GetDlgItem(dialog, IDC_MSGSTR2))});
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

bool Settled()
{
  return g_app.mainWindow != nullptr && IsWindow(g_app.mainWindow) &&
         g_app.presentationWindow != nullptr && g_app.openDialog == nullptr;
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
  RunState *state = s_state;
  if (state == nullptr || state->busy || state->closing)
    return;
  // Dialogs are answered even while a step waits in their modal loop.
  if (g_app.openDialog != nullptr && IsWindow(g_app.openDialog)) {
    AnswerFrameworkDialog(state->run);
    return;
  }
  if (state->inStep)
    return;
  state->busy = true;
  if (GetTickCount() - state->start > state->limit) {
    state->run->watchdogClosed = true;
    state->closing = true;
    if (g_app.mainWindow != nullptr)
      PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  } else if (Settled() && ++state->settledTicks >= SETTLED_TICKS) {
    state->settledTicks = 0;
    state->run->shown = true;
    RecordScreen(state->run);
    if (state->nextStep < state->steps->size()) {
      state->busy = false;
      state->inStep = true;
      (*state->steps)[state->nextStep++]();
      state->inStep = false;
    } else {
      state->closing = true;
      PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    }
  } else if (!Settled()) {
    state->settledTicks = 0;
  }
  state->busy = false;
}

}  // namespace

std::wstring LauncherRun::Describe() const
{
  std::wstring all = L"exit " + std::to_wstring(exitCode) + (shown ? L", shown" : L", not shown") +
                     (watchdogClosed ? L", never settled" : L"") + L"\n";
  for (const Box &box : boxes)
    all += L"  box [" + box.caption + L"] " + box.text + L"\n";
  for (size_t screen = 0; screen < screens.size(); ++screen)
    for (const std::wstring &text : screens[screen])
      all += L"  screen " + std::to_wstring(screen) + L": " + text + L"\n";
  return all;
}

bool LauncherRun::ScreenShows(int screen, const std::wstring &part) const
{
  if (screen < 0)
    screen = static_cast<int>(screens.size()) - 1;
  if (screen < 0 || static_cast<size_t>(screen) >= screens.size())
    return false;
  for (const std::wstring &text : screens[screen])
    if (text.find(part) != std::wstring::npos)
      return true;
  return false;
}

bool LauncherRun::BoxSaid(const std::wstring &text) const
{
  for (const Box &box : boxes)
    if (box.caption == text || box.text == text)
      return true;
  return false;
}

void SetRawValue(const std::wstring &path, const std::wstring &name, DWORD type,
                 const std::string &bytes)
{
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

LauncherRun RunLauncherHere(const std::wstring &commandLine,
                            const std::vector<std::function<void()>> &steps, DWORD limitMs)
{
  LauncherRun run;
  SavedWorkArea workArea;
  ResetShellState();
  g_app.mainWindow = nullptr;
  g_app.presentationWindow = nullptr;
  g_app.openDialog = nullptr;
  g_app.currentAccelerators = nullptr;
  {
    BoxAnswerer boxes;
    RunState state = {&run, &steps, 0, 0, false, false, false, GetTickCount(), limitMs};
    s_state = &state;
    UINT_PTR timer = SetTimer(nullptr, 0, TICK_MS, OnTick);
    run.exitCode = RunLauncher(GetModuleHandleW(nullptr), commandLine.c_str());
    KillTimer(nullptr, timer);
    s_state = nullptr;
    // Platform boxes first: they came before any framework dialog of the same step.
    run.boxes.insert(run.boxes.begin(), boxes.Boxes().begin(), boxes.Boxes().end());
  }
  // What a new process would start from.
  ClearProgramEntries();
  UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));
  UnregisterClassW(L"FRTMAINWINDOW", GetModuleHandleW(nullptr));
  g_app.mainWindow = nullptr;
  g_app.presentationWindow = nullptr;
  g_app.stackDepth = 0;
  g_app.currentAccelerators = nullptr;
  ResetShellState();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    ;
  return run;
}

bool IsPrintableText(const std::wstring &text)
{
  for (wchar_t c : text) {
    if (c < 0x20 && c != L'\n' && c != L'\r' && c != L'\t')
      return false;
    if (c == 0x7F || (c >= 0x80 && c < 0xA0))
      return false;
  }
  return true;
}

std::wstring FirstUnprintable(const LauncherRun &run)
{
  for (const Box &box : run.boxes)
    for (const std::wstring *text : {&box.caption, &box.text})
      if (!IsPrintableText(*text))
        return *text;
  for (const std::vector<std::wstring> &screen : run.screens)
    for (const std::wstring &text : screen)
      if (!IsPrintableText(text))
        return text;
  return L"";
}

}  // namespace test
