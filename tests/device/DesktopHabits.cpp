// A device program that keeps the desktop's habits on purpose (never shipped): each habit
// named on its command line is one a device refuses or never serves, and the program ends
// with a bit set for each call that was served as a desktop serves it. Run by ce-run, every
// habit must fail (exit code 0), or ce-run serves what no device would.
// Built by scripts/build-device.sh with FERROLT_DEVICE_PLANT=desktop-habits; it calls the
// platform directly, past the device build's own versions in cecompat/CePlatform.h.
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

namespace {

const DWORD SERVED_AS_DESKTOP = 1;

DWORD Bit(int i, bool served) { return served ? 1u << i : 0; }

DWORD ImportKeyWithUndocumentedFlag(HINSTANCE)
{
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, NULL, NULL, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    return 0;
  struct {
    BLOBHEADER header;
    DWORD length;
    BYTE key[16];
  } blob;
  ZeroMemory(&blob, sizeof blob);
  blob.header.bType = PLAINTEXTKEYBLOB;
  blob.header.bVersion = CUR_BLOB_VERSION;
  blob.header.aiKeyAlg = CALG_RC2;
  blob.length = sizeof blob.key;
  HCRYPTKEY key = 0;
  BOOL imported = CryptImportKey(provider, reinterpret_cast<BYTE *>(&blob), sizeof blob, 0,
                                 CRYPT_IPSEC_HMAC_KEY, &key);
  DWORD error = GetLastError();
  if (imported)
    CryptDestroyKey(key);
  CryptReleaseContext(provider, 0);
  return imported || error != static_cast<DWORD>(NTE_BAD_FLAGS) ? SERVED_AS_DESKTOP : 0;
}

DWORD DuplicateHash(HINSTANCE)
{
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0, copy = 0;
  if (!CryptAcquireContextW(&provider, NULL, NULL, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    return 0;
  BOOL duplicated = FALSE;
  DWORD error = 0;
  if (CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash)) {
    duplicated = CryptDuplicateHash(hash, NULL, 0, &copy);
    error = GetLastError();
    if (duplicated)
      CryptDestroyHash(copy);
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return duplicated || error != ERROR_CALL_NOT_IMPLEMENTED ? SERVED_AS_DESKTOP : 0;
}

// A colour no 16-colour palette has, drawn through an image list created without a
// colour flag: the device's 4 bits cannot give it back.
DWORD ImageListFullColourByDefault(HINSTANCE)
{
  const COLORREF colour = RGB(0x12, 0x9A, 0x67);
  HDC screen = GetDC(NULL);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
  HBITMAP target = CreateCompatibleBitmap(screen, 16, 16);
  HBRUSH brush = CreateSolidBrush(colour);
  RECT all = {0, 0, 16, 16};
  HGDIOBJ old = SelectObject(memory, picture);
  FillRect(memory, &all, brush);
  SelectObject(memory, old);
  HIMAGELIST list = ImageList_Create(16, 16, ILC_MASK, 1, 0);
  COLORREF drawn = 0;
  if (list != NULL && ImageList_Add(list, picture, NULL) >= 0) {
    SelectObject(memory, target);
    ImageList_Draw(list, 0, memory, 0, 0, ILD_NORMAL);
    drawn = GetPixel(memory, 8, 8);
    SelectObject(memory, old);
  }
  if (list != NULL)
    ImageList_Destroy(list);
  DeleteObject(brush);
  DeleteObject(target);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(NULL, screen);
  return drawn == colour ? SERVED_AS_DESKTOP : 0;
}

// The window the test made in its own process for this.
DWORD SetWindowLongOnAnotherProcess(HINSTANCE)
{
  HWND other = FindWindowW(L"FerroltHabitTarget", NULL);
  if (other == NULL)
    return 1u << 1;  // no window to try it on: not a device's refusal either
  SetLastError(0);
  SetWindowLongW(other, GWL_USERDATA, 0x1234);
  return GetLastError() != ERROR_ACCESS_DENIED ? SERVED_AS_DESKTOP : 0;
}

bool StartRefused(LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread, BOOL inherit,
                  LPVOID environment, LPCWSTR folder, LPSTARTUPINFOW startup)
{
  wchar_t commandLine[] = L"\\Windows\\no-such-program.exe";
  PROCESS_INFORMATION started;
  ZeroMemory(&started, sizeof started);
  BOOL r = CreateProcessW(NULL, commandLine, process, thread, inherit, 0, environment, folder,
                          startup, &started);
  if (r) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  return !r && GetLastError() == ERROR_INVALID_PARAMETER;
}

DWORD CreateProcessWithDesktopArguments(HINSTANCE)
{
  SECURITY_ATTRIBUTES security;
  ZeroMemory(&security, sizeof security);
  security.nLength = sizeof security;
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  wchar_t environment[] = L"A=1\0";
  return Bit(0, !StartRefused(NULL, NULL, FALSE, NULL, NULL, &startup)) |
         Bit(1, !StartRefused(&security, NULL, FALSE, NULL, NULL, NULL)) |
         Bit(2, !StartRefused(NULL, &security, FALSE, NULL, NULL, NULL)) |
         Bit(3, !StartRefused(NULL, NULL, TRUE, NULL, NULL, NULL)) |
         Bit(4, !StartRefused(NULL, NULL, FALSE, environment, NULL, NULL)) |
         Bit(5, !StartRefused(NULL, NULL, FALSE, NULL, L"\\Windows", NULL));
}

DWORD RegistryWithDesktopArguments(HINSTANCE)
{
  HKEY key = NULL;
  DWORD served = 0;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    served |= 1u << 0;
    RegCloseKey(key);
  }
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 1, 0, &key) == ERROR_SUCCESS) {
    served |= 1u << 1;
    RegCloseKey(key);
  }
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\FerroltHabits", 0, NULL, 0, KEY_ALL_ACCESS,
                      NULL, &key, &disposition) == ERROR_SUCCESS) {
    served |= 1u << 2;
    RegCloseKey(key);
  }
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, 0, &key) != ERROR_SUCCESS)
    return served | 1u << 7;
  DWORD reserved = 0, type = 0, size = 0, value = 1;
  if (RegQueryValueExW(key, L"FerroltHabit", &reserved, &type, NULL, &size) != ERROR_INVALID_PARAMETER)
    served |= 1u << 3;
  if (RegSetValueExW(key, L"FerroltHabit", 1, REG_DWORD, reinterpret_cast<BYTE *>(&value),
                     sizeof value) == ERROR_SUCCESS)
    served |= 1u << 4;
  wchar_t name[64];
  DWORD length = 64;
  if (RegEnumKeyExW(key, 0, name, &length, &reserved, NULL, NULL, NULL) == ERROR_SUCCESS)
    served |= 1u << 5;
  length = 64;
  if (RegEnumValueW(key, 0, name, &length, &reserved, NULL, NULL, NULL) != ERROR_INVALID_PARAMETER)
    served |= 1u << 6;
  RegCloseKey(key);
  return served;
}

// What a window procedure of the program receives that the device never sends.
DWORD g_unsent = 0;

LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
  if (message == WM_NCDESTROY)
    g_unsent |= 1u << 0;
  else if (message >= WM_NCCREATE && message <= WM_NCACTIVATE)
    g_unsent |= 1u << 1;
  else if (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK)
    g_unsent |= 1u << 2;
  else if (message == WM_TIMECHANGE)
    g_unsent |= 1u << 3;
  else if (message == WM_POWERBROADCAST)
    g_unsent |= 1u << 4;
  return DefWindowProcW(window, message, w, l);
}

HWND CreateRecordingWindow(HINSTANCE instance)
{
  WNDCLASSW type;
  ZeroMemory(&type, sizeof type);
  type.lpfnWndProc = RecordingProcedure;
  type.hInstance = instance;
  type.lpszClassName = L"FerroltHabitWindow";
  RegisterClassW(&type);
  return CreateWindowExW(0, L"FerroltHabitWindow", L"habits", WS_POPUP | WS_BORDER | WS_CAPTION,
                         0, 0, 100, 100, NULL, NULL, instance, NULL);
}

DWORD NonClientMessages(HINSTANCE instance)
{
  HWND window = CreateRecordingWindow(instance);
  if (window == NULL)
    return 1u << 7;
  ShowWindow(window, SW_SHOW);
  SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(5, 5));
  SendMessageW(window, WM_NCLBUTTONDOWN, HTNOWHERE, MAKELPARAM(5, 5));
  DestroyWindow(window);
  return g_unsent;
}

DWORD TimeAndPowerMessages(HINSTANCE instance)
{
  HWND window = CreateRecordingWindow(instance);
  if (window == NULL)
    return 1u << 7;
  g_unsent = 0;
  SendMessageW(window, WM_TIMECHANGE, 0, 0);
  SendMessageW(window, WM_POWERBROADCAST, 0x000A, 0);  // PBT_APMPOWERSTATUSCHANGE
  DWORD unsent = g_unsent;
  DestroyWindow(window);
  return unsent;
}

UINT g_expectedTimer = 0;
UINT g_timerCalls = 0;
bool g_timerArgumentsRight = true;

void CALLBACK CountingTimer(HWND window, UINT message, UINT id, DWORD)
{
  ++g_timerCalls;
  if (window != NULL || message != WM_TIMER || id != g_expectedTimer)
    g_timerArgumentsRight = false;
}

// Dispatches the thread's messages for a while; whether a WM_TIMER came without a window
// or a procedure.
bool PumpFor(DWORD milliseconds)
{
  bool bare = false;
  MSG m;
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(5))
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) {
      bare = bare || (m.message == WM_TIMER && m.hwnd == NULL && m.lParam == 0);
      DispatchMessageW(&m);
    }
  return bare;
}

// Bit 1 is the device's own way not served: a timer procedure without a window is called
// through the dispatch of its WM_TIMER, with the device's arguments, until KillTimer.
DWORD TimersAsOnADesktop(HINSTANCE instance)
{
  UINT bare = SetTimer(NULL, 0, 10, NULL);
  DWORD served = Bit(0, bare != 0 && PumpFor(150));
  KillTimer(NULL, bare);
  g_expectedTimer = SetTimer(NULL, 0, 10, CountingTimer);
  PumpFor(150);
  BOOL killed = KillTimer(NULL, g_expectedTimer);
  UINT calls = g_timerCalls;
  PumpFor(100);
  served |= Bit(1, !killed || calls == 0 || g_timerCalls != calls || !g_timerArgumentsRight);
  UINT first = SetTimer(NULL, 0, 10000, CountingTimer);
  UINT second = SetTimer(NULL, first, 10000, CountingTimer);
  served |= Bit(2, first != 0 && second == first);
  KillTimer(NULL, first);
  KillTimer(NULL, second);
  HWND window = CreateRecordingWindow(instance);
  if (window == NULL)
    return served | 1u << 7;
  served |= Bit(3, SetTimer(window, 1, INFINITE, NULL) != 0 && KillTimer(window, 1));
  DestroyWindow(window);
  return served;
}

// The desktop's QS_ALLINPUT, with hot keys and raw input the device's queue does not have.
DWORD WaitWithTheDesktopsWakeMask(HINSTANCE)
{
  return MsgWaitForMultipleObjectsEx(0, NULL, 0, QS_ALLINPUT, 0) != WAIT_FAILED ? SERVED_AS_DESKTOP : 0;
}

// An icon drawn at another size than its own, as a desktop stretches it.
DWORD IconAtAnotherSize(HINSTANCE)
{
  HICON icon = static_cast<HICON>(LoadImageW(NULL, MAKEINTRESOURCEW(32512), IMAGE_ICON, 32, 32, 0));
  if (icon == NULL)
    return 1u << 1;  // no icon to draw: not a device's refusal either
  HDC screen = GetDC(NULL);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(memory, target);
  SetLastError(0);
  BOOL drawn = DrawIconEx(memory, 0, 0, icon, 20, 20, 0, NULL, DI_NORMAL);
  DWORD error = GetLastError();
  SelectObject(memory, old);
  DeleteObject(target);
  DeleteDC(memory);
  ReleaseDC(NULL, screen);
  DestroyIcon(icon);
  return drawn || error != ERROR_INVALID_PARAMETER ? SERVED_AS_DESKTOP : 0;
}

struct Habit {
  const wchar_t *name;
  DWORD (*keep)(HINSTANCE instance);
};
const Habit kHabits[] = {
    {L"crypt-import-flags", ImportKeyWithUndocumentedFlag},
    {L"crypt-duplicate-hash", DuplicateHash},
    {L"image-list-depth", ImageListFullColourByDefault},
    {L"window-long-other-process", SetWindowLongOnAnotherProcess},
    {L"create-process-arguments", CreateProcessWithDesktopArguments},
    {L"registry-arguments", RegistryWithDesktopArguments},
    {L"non-client-messages", NonClientMessages},
    {L"time-power-messages", TimeAndPowerMessages},
    {L"timers", TimersAsOnADesktop},
    {L"desktop-wake-mask", WaitWithTheDesktopsWakeMask},
    {L"icon-other-size", IconAtAnotherSize},
};

}  // namespace

// The habit named on the command line; 0x100 for a name it does not know.
extern "C" int WINAPI WinMainCRTStartup(HINSTANCE instance, HINSTANCE, LPWSTR habit, int)
{
  for (size_t i = 0; i < sizeof kHabits / sizeof kHabits[0]; ++i)
    if (wcscmp(habit, kHabits[i].name) == 0)
      return static_cast<int>(kHabits[i].keep(instance));
  return 0x100;
}
