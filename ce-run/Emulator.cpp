// Device code in the emulator, host calls outside it. Each import is bound to a trap of
// four bytes ("svc #0; bx lr"); the supervisor call stops the emulator, the host function
// runs outside it, and device code goes on at its return address. So a callback the host
// function makes (a window procedure) starts the emulator afresh rather than inside a hook,
// and every level of such nesting ends as it began.
#include "ce-run/CeRun.h"

#include <string.h>

#include <vector>

namespace cerun {

namespace {

struct Trap {
  const char *name;
  Handler handler;
  void *host;
};
std::vector<Trap> g_traps;
int g_pending = -1;     // the trap that stopped the emulator
bool g_faulted = false;  // a fault other than a trap stopped it
uint32_t g_faultNumber = 0;
int g_depth = 0;
const uint32_t MAX_TRAPS = 0x10000 / 4;
bool g_armImage = false;

void OnInterrupt(uc_engine *uc, uint32_t number, void *)
{
  uint32_t pc = 0;
  uc_reg_read(uc, UC_ARM_REG_PC, &pc);
  Addr trap = pc - 2;
  if (number == 2 && trap >= TrapArea() && trap < TrapArea() + 4 * g_traps.size() && (trap - TrapArea()) % 4 == 0) {
    g_pending = static_cast<int>((trap - TrapArea()) / 4);
  } else {
    g_faulted = true;
    g_faultNumber = number;
  }
  uc_emu_stop(uc);
}

uint32_t Reg(int reg)
{
  uint32_t value = 0;
  uc_reg_read(Engine(), reg, &value);
  return value;
}

void SetReg(int reg, uint32_t value) { uc_reg_write(Engine(), reg, &value); }

}  // namespace

void SetArmImage(bool arm) { g_armImage = arm; }

Addr CodeAddress(Addr address) { return g_armImage ? address : address | 1; }

Addr AddTrap(const char *name, Handler handler, void *host)
{
  if (g_traps.size() >= MAX_TRAPS)
    Fail("too many imports");
  Addr at = TrapArea() + 4 * static_cast<uint32_t>(g_traps.size());
  static const unsigned char code[4] = {0x00, 0xDF, 0x70, 0x47};  // svc #0; bx lr
  memcpy(At<void>(at), code, 4);
  g_traps.push_back(Trap{name, handler, host});
  return at | 1;
}

void *TrapHostOf(Addr address, Handler handler)
{
  Addr trap = address & ~1u;
  if (trap < TrapArea() || trap >= TrapArea() + 4 * g_traps.size() || (trap - TrapArea()) % 4 != 0)
    return nullptr;
  const Trap &found = g_traps[(trap - TrapArea()) / 4];
  return found.handler == handler ? found.host : nullptr;
}

const char *TrapName(Addr address)
{
  Addr trap = address & ~1u;
  if (trap < TrapArea() || trap >= TrapArea() + 4 * g_traps.size())
    return nullptr;
  return g_traps[(trap - TrapArea()) / 4].name;
}

void InitEmulator()
{
  uc_engine *uc = Engine();
  uc_hook hook;
  if (uc_hook_add(uc, &hook, UC_HOOK_INTR, reinterpret_cast<void *>(OnInterrupt), nullptr, 1, 0) != UC_ERR_OK)
    Fail("cannot hook the emulator's interrupts");
  // The device's floating point unit is on: coprocessors 10 and 11 open, VFP enabled.
  SetReg(UC_ARM_REG_C1_C0_2, 0x00F00000);
  SetReg(UC_ARM_REG_FPEXC, 0x40000000);
  // The return address: a trap that is never reached, as the emulator stops there.
  static const unsigned char stop[4] = {0xFE, 0xDE, 0xFE, 0xDE};  // udf
  memcpy(At<void>(StopAddress()), stop, 4);
}

uint32_t CallDevice(Addr fn, const uint32_t *args, int count)
{
  uc_engine *uc = Engine();
  uc_context *saved = nullptr;
  uint32_t sp = StackTop();
  if (g_depth > 0) {
    if (uc_context_alloc(uc, &saved) != UC_ERR_OK || uc_context_save(uc, saved) != UC_ERR_OK)
      Fail("cannot save the emulator's state");
    sp = Reg(UC_ARM_REG_SP) - 64;
  }
  if (count > 4) {
    sp -= 4 * (count - 4);
    sp &= ~7u;
    for (int i = 4; i < count; ++i)
      Put32(sp + 4 * (i - 4), args[i]);
  }
  sp &= ~7u;
  static const int argRegs[4] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3};
  for (int i = 0; i < 4; ++i)
    SetReg(argRegs[i], i < count ? args[i] : 0);
  SetReg(UC_ARM_REG_SP, sp);
  SetReg(UC_ARM_REG_LR, StopAddress() | 1);
  ++g_depth;
  uint32_t pc = CodeAddress(fn);
  for (;;) {
    g_pending = -1;
    g_faulted = false;
    uc_err err = uc_emu_start(uc, pc, StopAddress(), 0, 0);
    uint32_t at = Reg(UC_ARM_REG_PC);
    if (err != UC_ERR_OK)
      Fail("device code faulted at 0x%08x (lr 0x%08x): %s", at, Reg(UC_ARM_REG_LR), uc_strerror(err));
    if (g_faulted)
      Fail("device code stopped at 0x%08x by exception %u", at, g_faultNumber);
    if (g_pending >= 0) {
      const Trap &trap = g_traps[g_pending];
      Call call;
      call.r[0] = Reg(UC_ARM_REG_R0);
      call.r[1] = Reg(UC_ARM_REG_R1);
      call.r[2] = Reg(UC_ARM_REG_R2);
      call.r[3] = Reg(UC_ARM_REG_R3);
      call.sp = Reg(UC_ARM_REG_SP);
      uint32_t lr = Reg(UC_ARM_REG_LR);
      if (g_verbose)
        Trace("%*s%s(%x, %x, %x, %x)", g_depth, "", trap.name, call.r[0], call.r[1], call.r[2], call.r[3]);
      uint64_t result = trap.handler(call, trap.host);
      SetReg(UC_ARM_REG_R0, static_cast<uint32_t>(result));
      SetReg(UC_ARM_REG_R1, static_cast<uint32_t>(result >> 32));
      SetReg(UC_ARM_REG_SP, call.sp);
      pc = lr;
      continue;
    }
    if ((at & ~1u) == StopAddress())
      break;
    Fail("device code stopped at 0x%08x for no reason known", at);
  }
  --g_depth;
  uint32_t result = Reg(UC_ARM_REG_R0);
  if (saved != nullptr) {
    uc_context_restore(uc, saved);
    uc_context_free(saved);
  }
  return result;
}

}  // namespace cerun
