#include "tests/support/LauncherHarness.h"

#include "tests/support/FrameworkHarness.h"
#include <stdio.h>

#include "Common/StdInit.h"
#include "launcher/config/PasswordHash.h"
#include "launcher/config/Profile.h"
#include "launcher/presentation/StatusStrip.h"
#include "launcher/shell/EntryGuard.h"
#include "launcher/shell/ExitGuard.h"
#include "launcher/shell/IdleHome.h"
#include "launcher/shell/MainWindow.h"
#include "launcher/shell/Navigation.h"
#include "launcher/shell/ShellLockdown.h"
#include "resources/resource.h"

namespace test {

DialogAnswerer *DialogAnswerer::current_ = nullptr;

DialogAnswerer::DialogAnswerer()
{
  current_ = this;
  timer_ = SetTimer(nullptr, 0, 30, Tick);
}

DialogAnswerer::~DialogAnswerer()
{
  KillTimer(nullptr, timer_);
  current_ = nullptr;
}

void DialogAnswerer::Type(const std::wstring &text, UINT finalKey)
{
  answers_.push_back({text, finalKey});
}

void DialogAnswerer::Clear()
{
  prompts_ = 0;
  messages_.clear();
}

void CALLBACK DialogAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD)
{
  if (current_ != nullptr)
    current_->Look();
}

void DialogAnswerer::Look()
{
  HWND dialog = g_app.openDialog;
  if (dialog == nullptr || dialog == answered_ || !IsWindow(dialog))
    return;
  answered_ = dialog;
  HWND edit = GetDlgItem(dialog, IDC_EXIT_PASSWORD_EDIT);
  if (edit != nullptr) {
    ++prompts_;
    Answer answer = {L"", VK_ESCAPE};
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    // Characters as the keyboard driver delivers them, Enter and Escape as keys; Ctrl+Q,
    // if that asked, has been let go.
    SetControlDown(false);
    for (wchar_t c : answer.text)
      PostMessageW(edit, WM_CHAR, c, 1);
    if (answer.finalKey != 0) {
      PostMessageW(edit, WM_KEYDOWN, answer.finalKey, 1);
      PostMessageW(edit, WM_KEYUP, answer.finalKey, 0xC0000001);
    }
    return;
  }
  if (GetDlgItem(dialog, IDC_MSGSTR1) != nullptr) {
    wchar_t text[TEXT_CAPACITY] = {0};
    GetDlgItemTextW(dialog, IDC_MSGSTR1, text, TEXT_CAPACITY);
    messages_.push_back(text);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
}

std::wstring PasswordValue(const wchar_t *password)
{
  PasswordHash hash;
  wchar_t text[PASSWORD_HASH_TEXT_CAPACITY] = {0};
  if (!CreatePasswordHash(password, PASSWORD_MIN_ITERATIONS, &hash) ||
      !FormatPasswordHash(&hash, text, PASSWORD_HASH_TEXT_CAPACITY))
    ADD_FAILURE() << "no hash made";
  return text;
}

const std::wstring LauncherTest::kProduct = L"Software\\OrvantLLC\\Ferrolt";
const std::wstring LauncherTest::kProfile = L"Software\\OrvantLLC\\Ferrolt\\Profiles\\Kiosk";

void LauncherTest::SetUp()
{
  ClearLauncherRegistry();
  SetDword(HKEY_CURRENT_USER, kProfile, L"FullScreen", 0);
  AddConfiguration(L"Default");
  SetString(HKEY_CURRENT_USER, Settings(L"Default"), L"TitleBar", L"Home");
  AddProgram(L"Default", 1, L"Notes", L"\\Windows\\notepad.exe");
}

void PressControlKey(HWND window, WORD key)
{
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(window, WM_KEYDOWN, key, 1);
  Sleep(500);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
}

void LauncherTest::TearDown()
{
  Stop();
  ClearLauncherRegistry();
}

void LauncherTest::Stop()
{
  if (Running())
    SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
  Pump(50);
  UnregisterClassW(L"FerroltClass", GetModuleHandleW(nullptr));
  g_app.mainWindow = nullptr;
  g_app.stackDepth = 0;
  g_app.currentAccelerators = nullptr;
  g_app.clockOffset = 0;
  ZeroMemory(&g_exitGuard, sizeof(g_exitGuard));
  ZeroMemory(&g_entryGuard, sizeof(g_entryGuard));
  ZeroMemory(&g_passwordPrompt, sizeof(g_passwordPrompt));
  ZeroMemory(&g_dialogs, sizeof(g_dialogs));  // UseRealMessageBox is read again
  FreeShellLibrary();
  dialogs.Clear();
  boxes.Clear();
}

std::wstring LauncherTest::Settings(const std::wstring &configuration) const
{
  return kProfile + L"\\" + configuration + L"\\Settings";
}

void LauncherTest::AddConfiguration(const std::wstring &name, const std::wstring &mode)
{
  SetString(HKEY_CURRENT_USER, Settings(name), L"Mode", mode);
}

void LauncherTest::AddProgram(const std::wstring &configuration, int number,
                              const std::wstring &description, const std::wstring &name,
                              const std::wstring &call)
{
  std::wstring key = kProfile + L"\\" + configuration + L"\\Programs\\Prog" + std::to_wstring(number);
  SetString(HKEY_CURRENT_USER, key, L"Description", description);
  if (!name.empty())
    SetString(HKEY_CURRENT_USER, key, L"Name", name);
  if (!call.empty())
    SetString(HKEY_CURRENT_USER, key, L"Call", call);
}

void LauncherTest::AddLevels(int count)
{
  DeleteTree(HKEY_CURRENT_USER, kProfile + L"\\Default\\Programs");
  AddProgram(L"Default", 1, L"Down", L"", L"Level1");
  for (int i = 1; i <= count; ++i) {
    std::wstring name = L"Level" + std::to_wstring(i);
    AddConfiguration(name);
    if (i < count)
      AddProgram(name, 1, L"Down", L"", L"Level" + std::to_wstring(i + 1));
    else
      AddProgram(name, 1, L"Notes", L"\\Windows\\notepad.exe");
  }
}

void LauncherTest::Start()
{
  g_app.instance = GetModuleHandleW(nullptr);
  g_app.focusFlag = true;
  g_app.stackDepth = 0;
  g_app.exitOnEsc = exitOnEsc;
  g_app.backOnZero = backOnZero;
  ZeroMemory(&g_shell, sizeof(g_shell));
  ProbePlatform();
  ASSERT_TRUE(SelectProfile(L"Kiosk"));
  ClearWindowTitle();
  g_app.titleLimit = 100;
  ASSERT_TRUE(RegisterMainClass(g_app.instance, IDS_CLASS_NAME));
  ASSERT_TRUE(CreateMainWindow(g_app.instance, SW_SHOW, WS_CAPTION, IDS_CLASS_NAME,
                               IDS_WINDOW_TEXT));
  StartStatusStrip(g_app.mainWindow);
  g_app.currentAccelerators = LoadAcceleratorsW(g_app.instance, MAKEINTRESOURCEW(IDA_LAUNCHER));
  ReadExitGuard();
  StartIdleHome(g_app.mainWindow);
  SetForegroundWindow(g_app.mainWindow);
  PumpUntil([this] { return !Running() || g_app.presentationWindow != nullptr; });
  Pump(50);
}

void LauncherTest::Pump(DWORD milliseconds)
{
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT)
        continue;
      DispatchLoopMessage(&message);
    }
    Sleep(5);
  } while (GetTickCount() - start < milliseconds);
}

bool LauncherTest::PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
  for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < timeoutMs;)
    Pump(10);
  return done();
}

bool LauncherTest::Running() const
{
  return g_app.mainWindow != nullptr && IsWindow(g_app.mainWindow);
}

void LauncherTest::Descend(int count)
{
  for (int i = 0; i < count; ++i) {
    int depth = g_app.stackDepth;
    ActivateItem(0);
    PumpUntil([depth] { return g_app.stackDepth > depth && g_app.presentationWindow != nullptr; });
  }
}

}  // namespace test
