// Checks of picture and icon files before the platform loads them. The platform's loaders
// trust the sizes a file states; these checks make sure the file holds what it states.
#include "launcher/config/FileChecks.h"

enum {
  FILE_HEAD_CAPACITY = 1024,  // enough for the headers and an icon directory of 80 images
  BITMAP_FILE_HEADER_SIZE = 14,
  CORE_HEADER_SIZE = 12,
  INFO_HEADER_SIZE = 40,
  LARGEST_INFO_HEADER_SIZE = 124,
  ICON_DIRECTORY_SIZE = 6,
  ICON_ENTRY_SIZE = 16,
  BI_RGB_VALUE = 0,
  BI_BITFIELDS_VALUE = 3,
};

struct FileHead {
  BYTE bytes[FILE_HEAD_CAPACITY];
  DWORD length;     // bytes read into the head
  DWORD fileSize;   // size of the whole file
};

// Reads up to FILE_HEAD_CAPACITY bytes from the start of the file, and its size.
static bool ReadFileHead(const wchar_t *path, FileHead *head)
{
  if (path == nullptr || path[0] == 0)
    return false;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD high = 0;
  head->fileSize = GetFileSize(file, &high);
  head->length = 0;
  bool read = head->fileSize != INVALID_FILE_SIZE && high == 0 &&
              ReadFile(file, head->bytes, FILE_HEAD_CAPACITY, &head->length, nullptr) &&
              head->length <= FILE_HEAD_CAPACITY && head->length <= head->fileSize;
  CloseHandle(file);
  return read;
}

static DWORD Word(const FileHead &head, DWORD offset)
{
  return head.bytes[offset] | (static_cast<DWORD>(head.bytes[offset + 1]) << 8);
}

static DWORD Dword(const FileHead &head, DWORD offset)
{
  return Word(head, offset) | (Word(head, offset + 2) << 16);
}

static bool IsKnownDepth(DWORD bitsPerPixel)
{
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
         bitsPerPixel == 24 || bitsPerPixel == 32;
}

struct PictureLayout {
  ULONGLONG width;
  ULONGLONG height;
  DWORD bitsPerPixel;
  ULONGLONG tablesEnd;  // first byte after the headers, the colour masks and the palette
};

// The core header of the oldest format: 16-bit sides, 3-byte palette entries.
static bool ReadCoreLayout(const FileHead &head, PictureLayout *layout)
{
  const DWORD at = BITMAP_FILE_HEADER_SIZE;
  if (head.length < at + CORE_HEADER_SIZE || Word(head, at + 8) != 1)
    return false;
  layout->width = Word(head, at + 4);
  layout->height = Word(head, at + 6);
  layout->bitsPerPixel = Word(head, at + 10);
  if (layout->bitsPerPixel != 1 && layout->bitsPerPixel != 4 && layout->bitsPerPixel != 8 &&
      layout->bitsPerPixel != 24)
    return false;
  ULONGLONG colours = layout->bitsPerPixel <= 8 ? 1ULL << layout->bitsPerPixel : 0;
  layout->tablesEnd = at + CORE_HEADER_SIZE + 3 * colours;
  return true;
}

static bool ReadInfoLayout(const FileHead &head, DWORD headerSize, PictureLayout *layout)
{
  const DWORD at = BITMAP_FILE_HEADER_SIZE;
  if (head.length < at + headerSize || Word(head, at + 12) != 1)
    return false;
  LONG width = static_cast<LONG>(Dword(head, at + 4));
  LONG height = static_cast<LONG>(Dword(head, at + 8));
  layout->bitsPerPixel = Word(head, at + 14);
  DWORD compression = Dword(head, at + 16);
  DWORD coloursUsed = Dword(head, at + 32);
  // The smallest negative height has no positive counterpart.
  if (width <= 0 || height == 0 || height == LONG(0x80000000) || !IsKnownDepth(layout->bitsPerPixel))
    return false;
  bool bitFields = compression == BI_BITFIELDS_VALUE;
  if (compression != BI_RGB_VALUE &&
      !(bitFields && (layout->bitsPerPixel == 16 || layout->bitsPerPixel == 32)))
    return false;
  layout->width = static_cast<ULONGLONG>(width);
  layout->height = static_cast<ULONGLONG>(height < 0 ? -static_cast<LONGLONG>(height) : height);

  ULONGLONG paletteLimit = layout->bitsPerPixel <= 8 ? 1ULL << layout->bitsPerPixel : 0;
  ULONGLONG colours = coloursUsed != 0 ? coloursUsed : paletteLimit;
  if (layout->bitsPerPixel <= 8 && colours > paletteLimit)
    return false;
  // The three masks follow a plain information header; longer headers hold them inside.
  ULONGLONG masks = bitFields && headerSize == INFO_HEADER_SIZE ? 12 : 0;
  layout->tablesEnd = at + headerSize + masks + 4 * colours;
  return true;
}

// The information headers that exist: plain, with masks, with alpha mask, and the two
// later versions.
static bool IsInfoHeaderSize(DWORD size)
{
  return size == INFO_HEADER_SIZE || size == 52 || size == 56 || size == 108 ||
         size == LARGEST_INFO_HEADER_SIZE;
}

bool IsSoundBitmapFile(const wchar_t *path)
{
  FileHead head;
  if (!ReadFileHead(path, &head) || head.length < BITMAP_FILE_HEADER_SIZE + 4 ||
      head.bytes[0] != 'B' || head.bytes[1] != 'M')
    return false;
  DWORD pixelOffset = Dword(head, 10);
  DWORD headerSize = Dword(head, BITMAP_FILE_HEADER_SIZE);

  PictureLayout layout;
  bool known = headerSize == CORE_HEADER_SIZE ? ReadCoreLayout(head, &layout)
                                               : IsInfoHeaderSize(headerSize) &&
                                                     ReadInfoLayout(head, headerSize, &layout);
  if (!known || layout.width == 0 || layout.height == 0 ||
      layout.width > PICTURE_SIDE_LIMIT || layout.height > PICTURE_SIDE_LIMIT ||
      layout.width * layout.height > PICTURE_PIXEL_LIMIT)
    return false;

  ULONGLONG rowBytes = (layout.width * layout.bitsPerPixel + 31) / 32 * 4;
  ULONGLONG pixelBytes = rowBytes * layout.height;
  return pixelOffset >= layout.tablesEnd && pixelOffset <= head.fileSize &&
         pixelBytes <= head.fileSize - pixelOffset;
}

bool IsSoundIconFile(const wchar_t *path)
{
  FileHead head;
  if (!ReadFileHead(path, &head) || head.length < ICON_DIRECTORY_SIZE)
    return false;
  DWORD count = Word(head, 4);
  if (Word(head, 0) != 0 || Word(head, 2) != 1 || count == 0 ||
      head.length < ICON_DIRECTORY_SIZE + count * ICON_ENTRY_SIZE)
    return false;
  for (DWORD i = 0; i < count; ++i) {
    DWORD entry = ICON_DIRECTORY_SIZE + i * ICON_ENTRY_SIZE;
    DWORD bytes = Dword(head, entry + 8);
    DWORD offset = Dword(head, entry + 12);
    // Each image starts with at least its own header.
    if (bytes < INFO_HEADER_SIZE || offset > head.fileSize || bytes > head.fileSize - offset ||
        offset < ICON_DIRECTORY_SIZE + count * ICON_ENTRY_SIZE)
      return false;
  }
  return true;
}
