#pragma once
// The checker's own texts, for what the launcher finds without a message of its own.
// Everything the launcher itself would show is its own text, never one of these.

#define TEXT_CANNOT_OPEN_SCRIPT L"Cannot open the script: "
#define TEXT_UTF16_SCRIPT                                                                  \
  L"The script is UTF-16 text; the loader reads 8-bit text, one byte per character: save " \
  L"it as ANSI"
#define TEXT_UTF8_MARK_SCRIPT                                                           \
  L"The script starts with a UTF-8 byte order mark, which the loader reads as text: save " \
  L"it without the mark (as ANSI, or UTF-8 without BOM)"
#define TEXT_LINE_TOO_LONG \
  L"Line %ld is longer than 32,768 characters: the loader stops there without a message"
#define TEXT_NO_PROFILES L"The script defines no profile"
#define TEXT_NO_DEFAULT L"The profile has no \"Default\" configuration: the launcher cannot start"
#define TEXT_NEVER_REACHABLE L"Never reachable: no entry calls this configuration"
#define TEXT_TOO_DEEP                                                                    \
  L"\"%s\" cannot be entered: the path to it is deeper than the %d configurations the " \
  L"launcher keeps, and the device goes back one level instead"
#define TEXT_NOT_SUPPLIED \
  L"\"%s\" is not among the script's own files: it must already be on the device"
#define TEXT_START_OPTION_ON_CALL \
  L"Program Key  %d - %s has no effect on an entry that calls a configuration"
#define TEXT_AUTO_START_OUTSIDE_DEFAULT                                              \
  L"Program Key  %d - %s is ignored here: only the entries of Default start with the " \
  L"launcher"
#define TEXT_QUIT_AFTER_LAUNCH_OVERRIDDEN                                              \
  L"Program Key  %d - %s and QuitAfterLaunch contradict each other: the launcher stays " \
  L"open (QuitAfterLaunch applies only to entries picked by hand without KeepRunning)"
#define TEXT_MENU_TOO_TALL \
  L"A menu needs %lu pixels of height and the %dx%d screen has %d: its bars will scroll"
#define TEXT_AUTO_START_WITHOUT_PASSWORD \
  L"Program Key  %d - AutoStart starts this entry with the launcher without asking for its Password"
#define TEXT_REBOOT_ON_AUTO_START                                                          \
  L"Program Key  %d - ExitActions restarts the device for a program that starts with the " \
  L"launcher: a program that ends at once would restart the device at every boot (the "   \
  L"launcher stops after 3 restarts in a row)"
#define TEXT_REDUNDANT_PASSWORD                                                            \
  L"Program Key  %d - Password is redundant: only entries with a password lead to this " \
  L"screen, and the device asks again here"
#define TEXT_UPDATES_UNSIGNED                                                          \
  L"Updates are unsigned: without an UpdateKey the device takes any script put into " \
  L"\\Application\\Ferrolt\\Update"
#define TEXT_UPDATE_FOLDERS_UNWATCHED                                                     \
  L"UpdateFolders is set without an UpdateKey: the device does not watch these folders, " \
  L"only \\Application\\Ferrolt\\Update: %s"
#define TEXT_UPDATE_KEY_FAULTY \
  L"UpdateKey is not a key made by /hash-password: the device takes no update at all"
