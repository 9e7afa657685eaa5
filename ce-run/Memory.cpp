// The emulated memory: one region below 2 GB, at the same addresses in this process and in
// the emulator. Layout: traps, the return address, images, the stack, scratch room for
// structures converted at the boundary, and the heap the device's allocation calls use.
#include "ce-run/CeRun.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace cerun {

bool g_verbose = false;

namespace {

const uint32_t REGION_SIZE = 0x4000000;  // 64 MB
const uint32_t TRAPS = 0x0;              // 64 KB of traps
const uint32_t STOP = 0x10000;           // the return address of host calls
const uint32_t IMAGES = 0x100000;        // 16 MB of images
const uint32_t IMAGES_END = 0x1100000;
const uint32_t STACK_TOP = 0x1300000 - 0x1000;  // 2 MB of stack below; a page above it
const uint32_t SCRATCH = 0x1300000;      // 4 MB
const uint32_t SCRATCH_END = 0x1700000;
const uint32_t HEAP = 0x1700000;         // to the end

Addr g_base = 0;
uc_engine *g_uc = nullptr;
uint32_t g_nextImage = IMAGES;
uint32_t g_scratch = SCRATCH;

// The heap: blocks with an 8-byte header (size, in use), first fit over a free list kept
// in address order; enough for the few allocations device code makes.
struct Block {
  uint32_t size;  // bytes after the header
  uint32_t used;
};
uint32_t g_heapTop = HEAP;

Block *BlockAt(Addr payload) { return At<Block>(payload - 8); }

}  // namespace

void Fail(const char *format, ...)
{
  va_list args;
  va_start(args, format);
  fprintf(stderr, "ce-run: ");
  vfprintf(stderr, format, args);
  fprintf(stderr, "\n");
  va_end(args);
  fflush(stderr);
  ExitProcess(3);
}

namespace {
HANDLE g_traceFile = INVALID_HANDLE_VALUE;
}

bool TraceInto(const wchar_t *path)
{
  g_traceFile = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  g_verbose = g_traceFile != INVALID_HANDLE_VALUE;
  return g_verbose;
}

void Trace(const char *format, ...)
{
  if (!g_verbose)
    return;
  char line[1024];
  va_list args;
  va_start(args, format);
  int length = vsnprintf(line, sizeof line - 1, format, args);
  va_end(args);
  if (length < 0)
    return;
  if (length > static_cast<int>(sizeof line) - 2)
    length = static_cast<int>(sizeof line) - 2;
  line[length++] = '\n';
  if (g_traceFile == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "ce-run: %.*s", length, line);
    return;
  }
  DWORD written = 0;
  WriteFile(g_traceFile, line, static_cast<DWORD>(length), &written, nullptr);
}

void InitMemory()
{
  // A 64-bit Wine process cannot have the image's preferred base; any free room below
  // 2 GB does, as the images are relocated.
  for (uintptr_t candidate = 0x10000000; candidate < 0x70000000 && g_base == 0; candidate += 0x4000000) {
    void *p = VirtualAlloc(reinterpret_cast<void *>(candidate), REGION_SIZE, MEM_RESERVE | MEM_COMMIT,
                           PAGE_EXECUTE_READWRITE);
    if (p != nullptr)
      g_base = AddrOf(p);
  }
  if (g_base == 0)
    Fail("no room for the emulated memory below 2 GB");
  if (uc_open(UC_ARCH_ARM, UC_MODE_THUMB, &g_uc) != UC_ERR_OK)
    Fail("the CPU emulator does not start");
  uc_err err = uc_mem_map_ptr(g_uc, g_base, REGION_SIZE, UC_PROT_ALL, At<void>(g_base));
  if (err != UC_ERR_OK)
    Fail("the emulated memory cannot be mapped: %s", uc_strerror(err));
  Trace("emulated memory at 0x%08x, %u MB", g_base, REGION_SIZE >> 20);
}

uc_engine *Engine() { return g_uc; }
Addr TrapArea() { return g_base + TRAPS; }
Addr StopAddress() { return g_base + STOP; }
Addr StackTop() { return g_base + STACK_TOP; }

bool InRegion(Addr address, uint32_t size)
{
  return address >= g_base && size <= REGION_SIZE && address - g_base <= REGION_SIZE - size;
}

Addr ImageArea(uint32_t size)
{
  uint32_t rounded = (size + 0xFFFF) & ~0xFFFFu;
  if (rounded < size || g_nextImage + rounded > IMAGES_END)
    Fail("no room for an image of %u bytes", size);
  Addr at = g_base + g_nextImage;
  g_nextImage += rounded;
  return at;
}

uint32_t NarrowHandle(INT_PTR value, const char *what)
{
  if (!HandleFits(value))
    Fail("%s 0x%llx is no 32-bit handle", what, static_cast<unsigned long long>(value));
  return static_cast<uint32_t>(value);
}

Addr ScratchAlloc(uint32_t size)
{
  uint32_t rounded = (size + 15) & ~15u;
  if (rounded < size || g_scratch + rounded > SCRATCH_END)
    Fail("scratch room exhausted");
  Addr at = g_base + g_scratch;
  g_scratch += rounded;
  memset(At<void>(at), 0, rounded);
  return at;
}

uint32_t ScratchMark() { return g_scratch; }
void ScratchRelease(uint32_t mark) { g_scratch = mark; }

Addr HeapAlloc32(uint32_t size)
{
  uint32_t rounded = (size + 7) & ~7u;
  if (rounded < size)
    return 0;
  // First fit among the freed blocks.
  for (uint32_t at = HEAP; at < g_heapTop;) {
    Block *block = At<Block>(g_base + at);
    if (!block->used && block->size >= rounded) {
      if (block->size >= rounded + 64) {
        Block *rest = At<Block>(g_base + at + 8 + rounded);
        rest->size = block->size - rounded - 8;
        rest->used = 0;
        block->size = rounded;
      }
      block->used = 1;
      memset(block + 1, 0, block->size);
      return g_base + at + 8;
    }
    at += 8 + block->size;
  }
  if (REGION_SIZE - g_heapTop < rounded + 8)
    return 0;
  Block *block = At<Block>(g_base + g_heapTop);
  block->size = rounded;
  block->used = 1;
  memset(block + 1, 0, rounded);
  Addr payload = g_base + g_heapTop + 8;
  g_heapTop += 8 + rounded;
  return payload;
}

uint32_t HeapSize32(Addr block) { return block == 0 ? 0 : BlockAt(block)->size; }

void HeapFree32(Addr payload)
{
  if (payload == 0)
    return;
  if (!InRegion(payload, 8) || payload < g_base + HEAP + 8 || !BlockAt(payload)->used)
    Fail("device code freed 0x%08x, which is no block of its heap", payload);
  BlockAt(payload)->used = 0;
  // Neighbouring free blocks join.
  for (uint32_t at = HEAP; at < g_heapTop;) {
    Block *block = At<Block>(g_base + at);
    uint32_t next = at + 8 + block->size;
    if (!block->used && next < g_heapTop && !At<Block>(g_base + next)->used) {
      block->size += 8 + At<Block>(g_base + next)->size;
      continue;
    }
    at = next;
  }
}

Addr HeapReAlloc32(Addr payload, uint32_t size)
{
  if (payload == 0)
    return HeapAlloc32(size);
  uint32_t old = HeapSize32(payload);
  if (size <= old)
    return payload;
  Addr fresh = HeapAlloc32(size);
  if (fresh == 0)
    return 0;
  memcpy(At<void>(fresh), At<void>(payload), old);
  HeapFree32(payload);
  return fresh;
}

}  // namespace cerun
