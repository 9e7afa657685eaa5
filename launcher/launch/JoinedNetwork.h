#pragma once
// Which wireless network the device has joined, asked of its adapters through the NDIS
// user-mode I/O driver.
#include <windows.h>

enum JoinedNetworkAnswer {
  NETWORK_NAME_UNTOLD = 0,     // the device cannot tell: no driver, or no wireless adapter
  NETWORK_NAME_JOINED = 1,     // an adapter has joined the network of that name
  NETWORK_NAME_ELSEWHERE = 2,  // wireless adapters, none joined to it (another, or none)
};

// Whether a wireless adapter has joined the network of that name. Names are compared as
// the device compares them: the name's UTF-8 bytes against the network's, byte for byte
// and over the whole length, so case counts.
int ProbeJoinedNetwork(const wchar_t *name);
