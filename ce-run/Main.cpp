// ce-run: runs the launcher's or the setup extension's ARM image on this machine.
//
//   ce-run [--verbose] Ferrolt.exe [command line]
//       Runs the program from its entry as the device does, WinMainCRTStartup(instance,
//       previous instance, the command line without the program's name, SW_SHOW), and
//       ends with its exit code.
//   ce-run [--verbose] --setup Ostrel.dll
//       Loads the setup extension (DllMain) and then calls its setup hooks as the installer
//       asks on standard input, one a line, answering each with its result:
//         Install_Init <first call 0|1> <previously installed 0|1> <folder>
//         Install_Exit <folder> <failed dirs> <files> <keys> <values> <shortcuts>
//         Uninstall_Init <folder>
//         Uninstall_Exit
//       (cecompat/cabdriver/CabDriver does this with /device).
// --verbose traces every call of the image to the host on standard error; --trace FILE
// writes that trace into the file instead.
// Exit code 3: the image could not be run (the reason is on standard error).
#include "ce-run/CeRun.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <shellapi.h>

using namespace cerun;

namespace {

// Wide text here is the device's and Windows', 16-bit; std::wstring's character functions
// are this Linux program's C library's, for 32-bit characters, and would count and copy
// such text wrongly (a command line cut short). So wide text is held as 16-bit units and
// measured by Windows' own functions.
typedef std::vector<WCHAR> WideText;  // with its terminating zero

Addr DeviceString(const WideText &text)
{
  uint32_t bytes = static_cast<uint32_t>(2 * text.size());
  Addr at = HeapAlloc32(bytes);
  if (at == 0)
    Fail("no room for the image's command line");
  memcpy(At<void>(at), text.data(), bytes);
  return at;
}

bool ReadLine(HANDLE input, std::string *line)
{
  line->clear();
  char c;
  DWORD got = 0;
  while (ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
    if (c == '\n')
      return true;
    if (c != '\r')
      line->push_back(c);
  }
  return !line->empty();
}

WideText Wide(const std::string &text)
{
  int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  WideText out(length > 0 ? length : 1, 0);
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), length);
  return out;
}

// The program's arguments from `first` on, joined by blanks as the device's command line.
WideText CommandLineFrom(wchar_t **argv, int first, int argc)
{
  WideText line;
  for (int i = first; i < argc; ++i) {
    if (i > first)
      line.push_back(L' ');
    line.insert(line.end(), argv[i], argv[i] + lstrlenW(argv[i]));
  }
  line.push_back(0);
  return line;
}

int ServeSetupHooks(const Image &image)
{
  const char *names[4] = {"Install_Init", "Install_Exit", "Uninstall_Init", "Uninstall_Exit"};
  Addr hooks[4];
  for (int i = 0; i < 4; ++i)
    if ((hooks[i] = ExportOf(image, names[i])) == 0)
      Fail("the setup extension lacks %s", names[i]);
  uint32_t attach[3] = {image.base, DLL_PROCESS_ATTACH, 0};
  if (CallDevice(image.entry, attach, 3) == 0)
    Fail("the setup extension's DllMain refused to load");
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE), output = GetStdHandle(STD_OUTPUT_HANDLE);
  std::string line;
  while (ReadLine(input, &line)) {
    char name[32] = "";
    int consumed = 0;
    sscanf(line.c_str(), "%31s %n", name, &consumed);
    const char *rest = line.c_str() + consumed;
    uint32_t result = 0;
    if (strcmp(name, "Install_Init") == 0) {
      int first = 0, previous = 0, at = 0;
      if (sscanf(rest, "%d %d %n", &first, &previous, &at) < 2)
        Fail("bad request: %s", line.c_str());
      uint32_t args[4] = {0, static_cast<uint32_t>(first), static_cast<uint32_t>(previous),
                          DeviceString(Wide(rest + at))};
      result = CallDevice(hooks[0], args, 4);
    } else if (strcmp(name, "Install_Exit") == 0) {
      char folder[520] = "";
      unsigned f[5] = {0, 0, 0, 0, 0};
      if (sscanf(rest, "%519s %u %u %u %u %u", folder, &f[0], &f[1], &f[2], &f[3], &f[4]) < 6)
        Fail("bad request: %s", line.c_str());
      uint32_t args[7] = {0, DeviceString(Wide(folder)), f[0], f[1], f[2], f[3], f[4]};
      result = CallDevice(hooks[1], args, 7);
    } else if (strcmp(name, "Uninstall_Init") == 0) {
      uint32_t args[2] = {0, DeviceString(Wide(rest))};
      result = CallDevice(hooks[2], args, 2);
    } else if (strcmp(name, "Uninstall_Exit") == 0) {
      uint32_t args[1] = {0};
      result = CallDevice(hooks[3], args, 1);
    } else {
      Fail("unknown request: %s", line.c_str());
    }
    char answer[32];
    int length = snprintf(answer, sizeof answer, "%u\n", result);
    DWORD written = 0;
    WriteFile(output, answer, length, &written, nullptr);
  }
  uint32_t detach[3] = {image.base, DLL_PROCESS_DETACH, 0};
  CallDevice(image.entry, detach, 3);
  return 0;
}

void Usage()
{
  fprintf(stderr, "usage: ce-run [--verbose | --trace FILE] Ferrolt.exe [command line]\n"
                  "       ce-run [--verbose | --trace FILE] --setup Ostrel.dll\n");
  ExitProcess(2);
}

}  // namespace

int main()
{
  int argc = 0;
  wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr)
    Usage();
  int at = 1;
  bool setup = false;
  for (; at < argc && argv[at][0] == L'-' && argv[at][1] == L'-'; ++at) {
    if (lstrcmpW(argv[at], L"--verbose") == 0)
      g_verbose = true;
    else if (lstrcmpW(argv[at], L"--trace") == 0 && at + 1 < argc) {
      if (!TraceInto(argv[++at]))
        Fail("cannot write the trace file");
    } else if (lstrcmpW(argv[at], L"--setup") == 0)
      setup = true;
    else
      Usage();
  }
  if (at >= argc)
    Usage();
  InitMemory();
  InitEmulator();
  Image image;
  if (!LoadImage(argv[at], &image))
    Fail("cannot read the image");
  SetMainImage(image, argv[at]);
  if (setup) {
    if (!image.dll || at + 1 != argc)
      Usage();
    ExitProcess(ServeSetupHooks(image));
  }
  if (image.dll)
    Fail("a library cannot be started; use --setup");
  WideText commandLine = CommandLineFrom(argv, at + 1, argc);
  if (g_verbose) {
    char shown[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, commandLine.data(), -1, shown, sizeof shown - 1, nullptr, nullptr);
    Trace("the command line: [%s]", shown);
  }
  uint32_t args[4] = {image.base, 0, DeviceString(commandLine), SW_SHOW};
  uint32_t result = CallDevice(image.entry, args, 4);
  Trace("the program ended with %u", result);
  fflush(stderr);
  ExitProcess(result);
}
