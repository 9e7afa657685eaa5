// The network probe: the device's address table, read through GetIpAddrTable of
// iphlpapi.dll, which is loaded and looked up at run time, never imported; and the
// wireless network joined, for entries that name one.
#include "launcher/launch/NetworkProbe.h"

#include "Common/StdInit.h"
#include "launcher/launch/JoinedNetwork.h"
#include "launcher/launch/LaunchLog.h"
#include "launcher/presentation/ListPresentation.h"
#include "launcher/presentation/MenuBars.h"
#include "resources/resource.h"

NetworkProbeState g_network = {nullptr, nullptr, false, -1, 0, false, nullptr};

// The device's address record (MIB_IPADDRROW, 24 bytes) and table: addresses in network
// byte order, so the first octet is the lowest byte.
struct IpAddressRow {
  DWORD address;
  DWORD index;
  DWORD mask;
  DWORD broadcast;
  DWORD reassemblySize;
  unsigned short unused1;
  unsigned short type;
};
enum { IP_TABLE_ROWS = 32 };
struct IpAddressTable {
  DWORD count;
  IpAddressRow rows[IP_TABLE_ROWS];
};
typedef DWORD(WINAPI *GetIpAddrTableProc)(IpAddressTable *table, ULONG *size, BOOL order);

static bool IsUsableAddress(DWORD address)
{
  DWORD first = address & 0xFF;
  bool selfAssigned = (address & 0xFFFF) == 0xFEA9;  // 169.254
  return address != 0 && first != 127 && !selfAssigned;
}

static GetIpAddrTableProc AddressTableCall()
{
  if (!g_network.lookedUp) {
    g_network.lookedUp = true;
    g_network.library = LoadLibraryW(L"iphlpapi.dll");
    if (g_network.library != nullptr)
      g_network.addressTable = GetProcAddressW(g_network.library, L"GetIpAddrTable");
  }
  return reinterpret_cast<GetIpAddrTableProc>(g_network.addressTable);
}

int ProbeNetwork()
{
  if (g_network.assumed >= 0)
    return g_network.assumed;
  GetIpAddrTableProc call = AddressTableCall();
  if (call == nullptr)
    return NETWORK_UNKNOWN;
  IpAddressTable table;
  ZeroMemory(&table, sizeof(table));
  ULONG size = sizeof(table);
  if (call(&table, &size, FALSE) != NO_ERROR)
    return NETWORK_UNKNOWN;
  DWORD count = table.count < IP_TABLE_ROWS ? table.count : IP_TABLE_ROWS;
  for (DWORD i = 0; i < count; ++i)
    if (IsUsableAddress(table.rows[i].address))
      return NETWORK_UP;
  return NETWORK_DOWN;
}

void AssumeNetworkState(int state)
{
  g_network.assumed = state;
}

// The rules met with the address state already read. A state assumed for a preview holds
// for the names too.
static bool MeetsRules(const StartRules &rules, int addressState)
{
  if (addressState != NETWORK_UP)
    return false;
  if (rules.networkName[0] == 0 || g_network.assumed >= 0)
    return true;
  int joined = ProbeJoinedNetwork(rules.networkName);
  if (joined == NETWORK_NAME_UNTOLD && !g_network.nameUntoldLogged) {
    g_network.nameUntoldLogged = true;
    LogNetworkNameUnchecked(rules.networkName);
  }
  return joined != NETWORK_NAME_ELSEWHERE;
}

bool NetworkMeetsRules(const StartRules &rules)
{
  return MeetsRules(rules, ProbeNetwork());
}

static bool LacksNetwork(const ProgramEntry &entry, int addressState)
{
  return entry.rules.needsNetwork == 1 && entry.isCall == 0 &&
         !MeetsRules(entry.rules, addressState);
}

bool EntryLacksNetwork(const ProgramEntry &entry)
{
  return LacksNetwork(entry, ProbeNetwork());
}

void AppendNetworkMark(const ProgramEntry &entry, wchar_t *label, size_t capacity)
{
  if (!EntryLacksNetwork(entry))
    return;
  wchar_t mark[TEXT_CAPACITY];
  LoadTextOrId(TEXT_ID(IDS_NO_NETWORK_MARK), mark, TEXT_CAPACITY);
  AppendText(label, capacity, mark);
}

static bool TableNeedsNetwork()
{
  for (LONG i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i)
    if (g_entries.entries[i].rules.needsNetwork == 1 && g_entries.entries[i].isCall == 0)
      return true;
  return false;
}

void StopNetworkMarks()
{
  if (g_network.markTimerWindow != nullptr)
    KillTimer(g_network.markTimerWindow, NETWORK_MARK_TIMER);
  g_network.markTimerWindow = nullptr;
}

// The entries of the table shown that lack their network now, a bit each.
static DWORD LackingEntries()
{
  int addressState = ProbeNetwork();
  DWORD lacking = 0;
  for (LONG i = 0; i < g_entries.programCount && i < MAX_PROGRAM_ENTRIES; ++i)
    if (LacksNetwork(g_entries.entries[i], addressState))
      lacking |= 1u << i;
  return lacking;
}

void WatchNetworkMarks()
{
  g_network.markedLacking = LackingEntries();
  if (!TableNeedsNetwork() || g_app.mainWindow == nullptr) {
    StopNetworkMarks();
    return;
  }
  if (g_network.markTimerWindow == nullptr &&
      SetTimer(g_app.mainWindow, NETWORK_MARK_TIMER, NETWORK_MARK_POLL_MS, nullptr) != 0)
    g_network.markTimerWindow = g_app.mainWindow;
}

void OnNetworkMarkTimer(HWND window)
{
  if (window != g_network.markTimerWindow)
    return;
  DWORD lacking = LackingEntries();
  if (lacking == g_network.markedLacking)
    return;
  g_network.markedLacking = lacking;
  if (IsMenuBarsMode())
    RefreshMenuLabels();
  else
    RefreshListLabels();
}

void ReleaseNetworkProbe()
{
  StopNetworkMarks();
  if (g_network.library != nullptr)
    FreeLibrary(g_network.library);
  g_network.library = nullptr;
  g_network.addressTable = nullptr;
  g_network.lookedUp = false;
  g_network.nameUntoldLogged = false;
}
