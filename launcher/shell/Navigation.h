#pragma once
// Loading a configuration, the stack of configurations walked, and the window title.
#include <windows.h>

#include "Common/StdFuncs.h"

enum { CONFIGURATION_STACK_SIZE = 10 };

struct NavigationState {
  wchar_t stack[CONFIGURATION_STACK_SIZE][TEXT_CAPACITY];
  // Length of the title suffix when each level was pushed: going back cuts the suffix
  // there, so exactly the segment of the configuration that was left disappears.
  size_t segmentStart[CONFIGURATION_STACK_SIZE];
  wchar_t titleSuffix[TEXT_CAPACITY];
  wchar_t composedTitle[TEXT_CAPACITY];
};
extern NavigationState g_navigation;

bool PushConfiguration();
bool PopConfiguration();
bool LoadConfiguration(const wchar_t *configurationKeyPath);
bool EnterConfiguration(const wchar_t *name);
bool ReturnToPreviousConfiguration();
void UpdateWindowTitle();
void ClearWindowTitle();
