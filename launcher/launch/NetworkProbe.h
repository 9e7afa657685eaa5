#pragma once
// Whether the device has a network: an IPv4 address that is neither loopback nor
// self-assigned (169.254.x.x), read through the device's IP helper library, which is
// looked up when first needed so that a device without it still runs the launcher; and,
// for an entry with a NetworkName, the wireless network of that name joined, where the
// device can tell.
#include <windows.h>

#include "launcher/config/ProgramEntries.h"

enum NetworkState {
  NETWORK_DOWN = 0,     // no usable address
  NETWORK_UP = 1,
  NETWORK_UNKNOWN = 2,  // the device cannot tell: no IP helper, or it refused to answer
};

enum {
  NETWORK_MARK_TIMER = 0x4E57,  // the main window's timer id for the label marks
  NETWORK_MARK_POLL_MS = 2000,  // how often the marks look at the network again
};

struct NetworkProbeState {
  HMODULE library;       // the IP helper library, once loaded
  FARPROC addressTable;  // its GetIpAddrTable; null when the device has none
  bool lookedUp;
  int assumed;           // -1: ask the device; else the state every probe answers (preview)
  DWORD markedLacking;   // the entries (a bit each) whose labels were last drawn marked
  bool nameUntoldLogged; // the event log has heard that names cannot be checked
  HWND markTimerWindow;  // the window whose mark timer runs; null while none runs
};
extern NetworkProbeState g_network;

// Asks the device now.
int ProbeNetwork();
// The state every later probe answers, without asking the device (a preview draws the
// labels of a device without a network); -1 asks the device again.
void AssumeNetworkState(int state);
// Whether the network the rules ask for is there now: a usable address and, when they name
// a wireless network, that network joined. A device that cannot tell which network it has
// joined checks the address alone (the event log says so once).
bool NetworkMeetsRules(const StartRules &rules);
// True when the entry needs the network and the device has none it can tell of: its label
// shows the mark, and a pick is refused.
bool EntryLacksNetwork(const ProgramEntry &entry);
// The label of an entry with its mark appended while it lacks the network.
void AppendNetworkMark(const ProgramEntry &entry, wchar_t *label, size_t capacity);

// Starts the mark timer when an entry of the table shown needs the network; stops it
// otherwise.
void WatchNetworkMarks();
// The mark timer's tick: when an entry's network came or went, the labels are drawn again.
void OnNetworkMarkTimer(HWND window);
void StopNetworkMarks();
// Frees the library (the launcher ends).
void ReleaseNetworkProbe();
