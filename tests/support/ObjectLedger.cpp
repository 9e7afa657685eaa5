#include "tests/support/ObjectLedger.h"

#include <map>
#include <set>

namespace test {
namespace {

struct Counts {
  bool open = false;
  std::map<void *, int> live;
  std::set<void *> released;
  int made = 0, givenBack = 0, releasedTwice = 0;
};
Counts g_counts;

void *Made(void *object)
{
  if (g_counts.open && object != nullptr) {
    ++g_counts.live[object];
    g_counts.released.erase(object);
    ++g_counts.made;
  }
  return object;
}

void GivenBack(void *object, bool succeeded)
{
  if (!g_counts.open || object == nullptr)
    return;
  auto found = g_counts.live.find(object);
  if (found != g_counts.live.end()) {
    if (--found->second == 0) {
      g_counts.live.erase(found);
      g_counts.released.insert(object);
    }
    ++g_counts.givenBack;
  } else if (g_counts.released.count(object) != 0 || !succeeded) {
    ++g_counts.releasedTwice;
  }
}

// Counts a release by its result (non-zero: done) and passes the result on.
template <typename Result> Result Released(void *object, Result result)
{
  GivenBack(object, result != 0);
  return result;
}

// One routed import: its module and name, the counting function, and where the real
// function's address is kept for it.
struct Route {
  const wchar_t *module;
  const char *name;
  void *counting;
  void *original;
};

decltype(&CreateSolidBrush) g_createSolidBrush;
decltype(&CreatePen) g_createPen;
decltype(&CreateFontIndirectW) g_createFontIndirect;
decltype(&CreateCompatibleBitmap) g_createCompatibleBitmap;
decltype(&CreateBitmap) g_createBitmap;
decltype(&CreateDIBSection) g_createDIBSection;
decltype(&CreateCompatibleDC) g_createCompatibleDC;
decltype(&DeleteObject) g_deleteObject;
decltype(&DeleteDC) g_deleteDC;
decltype(&LoadImageW) g_loadImage;
decltype(&CreateIconIndirect) g_createIconIndirect;
decltype(&DestroyIcon) g_destroyIcon;
decltype(&GetDC) g_getDC;
decltype(&ReleaseDC) g_releaseDC;

HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour)
{
  return static_cast<HBRUSH>(Made(g_createSolidBrush(colour)));
}
HPEN WINAPI CountedCreatePen(int style, int width, COLORREF colour)
{
  return static_cast<HPEN>(Made(g_createPen(style, width, colour)));
}
HFONT WINAPI CountedCreateFontIndirect(const LOGFONTW *font)
{
  return static_cast<HFONT>(Made(g_createFontIndirect(font)));
}
HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int width, int height)
{
  return static_cast<HBITMAP>(Made(g_createCompatibleBitmap(dc, width, height)));
}
HBITMAP WINAPI CountedCreateBitmap(int width, int height, UINT planes, UINT bits, const void *data)
{
  return static_cast<HBITMAP>(Made(g_createBitmap(width, height, planes, bits, data)));
}
HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                       HANDLE section, DWORD offset)
{
  return static_cast<HBITMAP>(Made(g_createDIBSection(dc, info, usage, bits, section, offset)));
}
HDC WINAPI CountedCreateCompatibleDC(HDC dc)
{
  return static_cast<HDC>(Made(g_createCompatibleDC(dc)));
}
BOOL WINAPI CountedDeleteObject(HGDIOBJ object) { return Released(object, g_deleteObject(object)); }
BOOL WINAPI CountedDeleteDC(HDC dc) { return Released(dc, g_deleteDC(dc)); }
HANDLE WINAPI CountedLoadImage(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height,
                               UINT flags)
{
  HANDLE image = g_loadImage(instance, name, type, width, height, flags);
  // Shared images belong to the platform and are never given back.
  return (flags & LR_SHARED) != 0 ? image : Made(image);
}
HICON WINAPI CountedCreateIconIndirect(PICONINFO info)
{
  return static_cast<HICON>(Made(g_createIconIndirect(info)));
}
BOOL WINAPI CountedDestroyIcon(HICON icon) { return Released(icon, g_destroyIcon(icon)); }
HDC WINAPI CountedGetDC(HWND window)
{
  return static_cast<HDC>(Made(g_getDC(window)));
}
int WINAPI CountedReleaseDC(HWND window, HDC dc) { return Released(dc, g_releaseDC(window, dc)); }

#define ROUTE(module, name, counting, original)                                              \
  {module, name, reinterpret_cast<void *>(&counting), reinterpret_cast<void *>(&original)}

Route g_routes[] = {
    ROUTE(L"gdi32.dll", "CreateSolidBrush", CountedCreateSolidBrush, g_createSolidBrush),
    ROUTE(L"gdi32.dll", "CreatePen", CountedCreatePen, g_createPen),
    ROUTE(L"gdi32.dll", "CreateFontIndirectW", CountedCreateFontIndirect, g_createFontIndirect),
    ROUTE(L"gdi32.dll", "CreateCompatibleBitmap", CountedCreateCompatibleBitmap,
          g_createCompatibleBitmap),
    ROUTE(L"gdi32.dll", "CreateBitmap", CountedCreateBitmap, g_createBitmap),
    ROUTE(L"gdi32.dll", "CreateDIBSection", CountedCreateDIBSection, g_createDIBSection),
    ROUTE(L"gdi32.dll", "CreateCompatibleDC", CountedCreateCompatibleDC, g_createCompatibleDC),
    ROUTE(L"gdi32.dll", "DeleteObject", CountedDeleteObject, g_deleteObject),
    ROUTE(L"gdi32.dll", "DeleteDC", CountedDeleteDC, g_deleteDC),
    ROUTE(L"user32.dll", "LoadImageW", CountedLoadImage, g_loadImage),
    ROUTE(L"user32.dll", "CreateIconIndirect", CountedCreateIconIndirect, g_createIconIndirect),
    ROUTE(L"user32.dll", "DestroyIcon", CountedDestroyIcon, g_destroyIcon),
    ROUTE(L"user32.dll", "GetDC", CountedGetDC, g_getDC),
    ROUTE(L"user32.dll", "ReleaseDC", CountedReleaseDC, g_releaseDC),
};

void WriteSlot(void **slot, void *value)
{
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

// Points every import slot of this program that holds `from` at `to`.
void Reroute(void *from, void *to)
{
  BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
  auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  auto *headers = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto *module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
  for (; module->Name != 0; ++module) {
    auto *thunk = reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->FirstThunk);
    for (; thunk->u1.Function != 0; ++thunk) {
      void **slot = reinterpret_cast<void **>(&thunk->u1.Function);
      if (*slot == from)
        WriteSlot(slot, to);
    }
  }
}

}  // namespace

ObjectLedger::ObjectLedger()
{
  g_counts = Counts();
  for (Route &route : g_routes) {
    void *real = reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(route.module), route.name));
    *static_cast<void **>(route.original) = real;
    Reroute(real, route.counting);
  }
  g_counts.open = true;
}

ObjectLedger::~ObjectLedger()
{
  g_counts.open = false;
  for (Route &route : g_routes)
    Reroute(route.counting, *static_cast<void **>(route.original));
}

int ObjectLedger::Outstanding() const
{
  int outstanding = 0;
  for (const auto &object : g_counts.live)
    outstanding += object.second;
  return outstanding;
}

int ObjectLedger::Made() const { return g_counts.made; }
int ObjectLedger::GivenBack() const { return g_counts.givenBack; }
int ObjectLedger::ReleasedTwice() const { return g_counts.releasedTwice; }

}  // namespace test
