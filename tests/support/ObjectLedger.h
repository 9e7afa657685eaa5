#pragma once
// Counts the GDI objects, device contexts and icons that this program's own code makes and
// gives back while a ledger is open. The program's imports of the functions that make and
// release them are routed through counters that call the real functions, so the objects
// are real; what the platform makes inside its own code is not counted. Works where the
// platform's process totals (GetGuiResources) are not kept.
#include <windows.h>

namespace test {

class ObjectLedger {
public:
  ObjectLedger();
  ~ObjectLedger();
  // Objects made while the ledger was open and not given back yet.
  int Outstanding() const;
  int Made() const;
  int GivenBack() const;
  // Releases of an object that the ledger saw given back already.
  int ReleasedTwice() const;
};

}  // namespace test
