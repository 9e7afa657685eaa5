#pragma once
// A registry of the process's own: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
// HKEY_CLASSES_ROOT and HKEY_USERS point at empty keys below one temporary key, so that a
// script imported and read there never reaches the real registry. The check's own calls
// are served from memory where they can be (MemoryRegistry.h); this redirection holds for
// every other registry call the process makes, and for the check where memory cannot
// serve it. The temporary key is
// removed when the check ends, when it is interrupted (Ctrl+C, closed console), and, after
// a run that was killed outright, by the next run.
#include <string>

namespace check {

// False (with the reason) when the temporary key or the redirection could not be made.
bool OpenThrowawayRegistry(std::wstring *error);
// Gives the real keys back and removes the temporary one. Safe to call twice.
void CloseThrowawayRegistry();
// What Ctrl+C or a closed console does, in the handler's own thread while the check may
// still run in the main thread until the process ends: removes the temporary key and
// leaves the root keys pointed at it, so that nothing the check still does can reach the
// real registry.
void AbandonThrowawayRegistry();

// An interrupted check ends with the platform's own code for Ctrl+C, never with one of a
// finished check, and says on standard error that it did not finish, adding this note
// (what it leaves half done).
enum : unsigned { EXIT_INTERRUPTED = 0xC000013Au };
void SetInterruptNote(const std::wstring &note);

}  // namespace check
