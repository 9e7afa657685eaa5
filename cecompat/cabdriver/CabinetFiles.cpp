// Reads a cabinet with FDI from cabinet.dll. FDI asks to open the cabinet by name and hands
// every file it unpacks to a stream of ours; here the cabinet is a file and each unpacked
// file a buffer in memory, both behind one small table of streams.
#include "cecompat/cabdriver/CabinetFiles.h"

#include <fcntl.h>
#include <fdi.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

const size_t MAX_FILES = 1000;           // .000 to .999
const size_t MAX_TOTAL = 64 * 1024 * 1024;  // far more than a launcher package holds

struct Stream {
  bool used;
  HANDLE file;             // the cabinet, or INVALID_HANDLE_VALUE
  std::vector<BYTE> *memory;  // an unpacked file
};

struct Reading {
  const wchar_t *path;
  std::vector<CabinetFile> *files;
  size_t total;
  std::wstring failure;
  Stream streams[8];
};

Reading *g_reading;

INT_PTR NewStream(HANDLE file, std::vector<BYTE> *memory)
{
  for (size_t i = 0; i < sizeof g_reading->streams / sizeof g_reading->streams[0]; ++i) {
    Stream &stream = g_reading->streams[i];
    if (!stream.used) {
      stream = {true, file, memory};
      return static_cast<INT_PTR>(i + 1);
    }
  }
  return -1;
}

Stream *StreamOf(INT_PTR handle)
{
  size_t count = sizeof g_reading->streams / sizeof g_reading->streams[0];
  if (handle < 1 || static_cast<size_t>(handle) > count || !g_reading->streams[handle - 1].used)
    return nullptr;
  return &g_reading->streams[handle - 1];
}

FNALLOC(Allocate) { return malloc(cb); }
FNFREE(Release) { free(pv); }

// FDI opens nothing but the cabinet.
FNOPEN(OpenCabinet)
{
  HANDLE file = CreateFileW(g_reading->path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return -1;
  INT_PTR handle = NewStream(file, nullptr);
  if (handle == -1)
    CloseHandle(file);
  return handle;
}

FNREAD(ReadStream)
{
  Stream *stream = StreamOf(hf);
  DWORD read = 0;
  if (stream == nullptr || stream->file == INVALID_HANDLE_VALUE || !ReadFile(stream->file, pv, cb, &read, nullptr))
    return static_cast<UINT>(-1);
  return read;
}

FNWRITE(WriteStream)
{
  Stream *stream = StreamOf(hf);
  if (stream == nullptr || stream->memory == nullptr || g_reading->total + cb > MAX_TOTAL)
    return static_cast<UINT>(-1);
  const BYTE *bytes = static_cast<const BYTE *>(pv);
  stream->memory->insert(stream->memory->end(), bytes, bytes + cb);
  g_reading->total += cb;
  return cb;
}

FNCLOSE(CloseStream)
{
  Stream *stream = StreamOf(hf);
  if (stream == nullptr)
    return -1;
  if (stream->file != INVALID_HANDLE_VALUE)
    CloseHandle(stream->file);
  stream->used = false;
  return 0;
}

FNSEEK(SeekStream)
{
  Stream *stream = StreamOf(hf);
  if (stream == nullptr || stream->file == INVALID_HANDLE_VALUE)
    return -1;
  DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
  DWORD position = SetFilePointer(stream->file, dist, nullptr, method);
  return position == INVALID_SET_FILE_POINTER ? -1 : static_cast<__LONG32>(position);
}

FNFDINOTIFY(Notify)
{
  switch (fdint) {
  case fdintCOPY_FILE: {
    if (g_reading->files->size() >= MAX_FILES || pfdin->cb > static_cast<LONG>(MAX_TOTAL) || pfdin->cb < 0) {
      g_reading->failure = L"it holds more than an installer package can";
      return -1;
    }
    CabinetFile file;
    for (const char *c = pfdin->psz1; *c != 0; ++c)
      file.name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    g_reading->files->push_back(file);
    std::vector<BYTE> *memory = &g_reading->files->back().bytes;
    memory->reserve(static_cast<size_t>(pfdin->cb));
    return NewStream(INVALID_HANDLE_VALUE, memory);
  }
  case fdintCLOSE_FILE_INFO:
    CloseStream(pfdin->hf);
    return TRUE;
  case fdintNEXT_CABINET:
    g_reading->failure = L"it continues in another cabinet";
    return -1;
  default:
    return 0;
  }
}

}  // namespace

bool ReadCabinetFiles(const wchar_t *path, std::vector<CabinetFile> *files, std::wstring *error)
{
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
    *error = L"it cannot be opened (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  Reading reading = {};
  reading.path = path;
  reading.files = files;
  g_reading = &reading;
  files->clear();
  // The file list below holds pointers into its buffers: it must never move them.
  files->reserve(MAX_FILES);
  ERF failure = {};
  HFDI fdi = FDICreate(Allocate, Release, OpenCabinet, ReadStream, WriteStream, CloseStream, SeekStream, cpuUNKNOWN,
                       &failure);
  if (fdi == nullptr) {
    *error = L"the cabinet functions cannot be started";
    g_reading = nullptr;
    return false;
  }
  char name[] = "package.cab", folder[] = "";
  BOOL read = FDICopy(fdi, name, folder, 0, Notify, nullptr, nullptr);
  FDIDestroy(fdi);
  for (Stream &stream : reading.streams)
    if (stream.used && stream.file != INVALID_HANDLE_VALUE)
      CloseHandle(stream.file);
  g_reading = nullptr;
  if (!read) {
    *error = reading.failure.empty() ? L"it is not a cabinet, or it is damaged or cut short" : reading.failure;
    files->clear();
    return false;
  }
  return true;
}
