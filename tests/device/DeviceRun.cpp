#include "tests/device/DeviceRun.h"

#include "tests/support/TestSupport.h"

namespace device {

std::wstring FromVariable(const wchar_t *name, const std::wstring &fallback)
{
  wchar_t value[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? test::FromUnixPath(std::string(value, value + length)) : fallback;
}

std::wstring Images() { return FromVariable(L"FERROLT_DEVICE_IMAGES", test::BuildDir() + L"device") + L"\\"; }
std::wstring CeRun() { return FromVariable(L"FERROLT_CE_RUN", test::BuildDir() + L"ce-run\\ce-run.exe.so"); }

std::wstring LauncherCommand(const std::wstring &arguments)
{
  std::wstring command = L"\"" + CeRun() + L"\" \"" + Images() + L"Ferrolt.exe\"";
  return arguments.empty() ? command : command + L" " + arguments;
}

int RunImage(const std::wstring &image, const std::wstring &arguments, DWORD timeoutMs)
{
  DWORD exitCode = 999;
  bool ended = test::RunProcess(L"\"" + CeRun() + L"\" \"" + image + L"\" " + arguments, timeoutMs, &exitCode);
  return ended ? static_cast<int>(exitCode) : -1;
}

}  // namespace device
