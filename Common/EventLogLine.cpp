// The text of one event-log line: time, kind and fields, as UTF-8, cut to its bound.
#include "Common/EventLog.h"

enum { TIME_TEXT_BYTES = 19, LINE_END_BYTES = 2, CUT_MARK_BYTES = 3, DIGITS_CAPACITY = 12 };

LogField LogText(const char *name, const wchar_t *text)
{
  LogField field = {name, LOG_FIELD_TEXT, text, 0};
  return field;
}

LogField LogDecimal(const char *name, DWORD number)
{
  LogField field = {name, LOG_FIELD_DECIMAL, nullptr, number};
  return field;
}

LogField LogCode(const char *name, DWORD code)
{
  LogField field = {name, LOG_FIELD_CODE, nullptr, code};
  return field;
}

namespace {

// The line being built; limit is what its text may take, the line end not counted.
struct LineBuffer {
  char *bytes;
  int length;
  int limit;
};

bool Fits(const LineBuffer &line, int bytes)
{
  return line.length + bytes <= line.limit;
}

// Appends what fits of the ASCII text; false when it had to cut.
bool PutAscii(LineBuffer *line, const char *text, int capacity)
{
  for (int i = 0; i < capacity && text[i] != 0; ++i) {
    if (!Fits(*line, 1))
      return false;
    line->bytes[line->length++] = text[i];
  }
  return true;
}

int AsciiLength(const char *text, int capacity)
{
  int length = 0;
  while (length < capacity && text[length] != 0)
    ++length;
  return length;
}

// One character of a text field as it is written: UTF-8, a double quote doubled, a
// control character as a blank. A surrogate pair is one character; a lone surrogate is
// written as the replacement character. Returns the bytes (1 to 4); *units tells how many
// UTF-16 units it took.
int EncodeCharacter(const wchar_t *text, char *out, int *units)
{
  unsigned int c = static_cast<unsigned short>(text[0]);
  *units = 1;
  if (c < 0x20 || c == 0x7F) {
    out[0] = ' ';
    return 1;
  }
  if (c == '"') {
    out[0] = out[1] = '"';
    return 2;
  }
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  unsigned int next = static_cast<unsigned short>(text[1]);
  if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
    *units = 2;
  } else if (c >= 0xD800 && c <= 0xDFFF) {
    c = 0xFFFD;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Bytes the text takes when written whole, counted up to the line's capacity.
int EncodedLength(const wchar_t *text)
{
  int length = 0;
  char scratch[4];
  for (int i = 0; text[i] != 0 && length <= LOG_LINE_CAPACITY;) {
    int units = 1;
    length += EncodeCharacter(text + i, scratch, &units);
    i += units;
  }
  return length;
}

// The text between double quotes; one too long is cut at a character's end and marked
// "...". The caller has made sure that the quotes and the mark fit.
void PutQuoted(LineBuffer *line, const wchar_t *text)
{
  line->bytes[line->length++] = '"';
  bool whole = Fits(*line, EncodedLength(text) + 1);
  int reserve = whole ? 1 : CUT_MARK_BYTES + 1;
  char encoded[4];
  for (int i = 0; text[i] != 0;) {
    int units = 1;
    int bytes = EncodeCharacter(text + i, encoded, &units);
    if (!Fits(*line, bytes + reserve))
      break;
    for (int b = 0; b < bytes; ++b)
      line->bytes[line->length++] = encoded[b];
    i += units;
  }
  if (!whole)
    PutAscii(line, "...", CUT_MARK_BYTES);
  line->bytes[line->length++] = '"';
}

// The number in decimal, or as eight upper-case hexadecimal digits.
void FormatNumber(DWORD number, bool code, char *digits)
{
  static const char hex[] = "0123456789ABCDEF";
  char reversed[DIGITS_CAPACITY];
  int count = 0;
  if (code) {
    for (; count < 8; ++count, number >>= 4)
      reversed[count] = hex[number & 0xF];
  } else {
    do {
      reversed[count++] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
  }
  for (int i = 0; i < count; ++i)
    digits[i] = reversed[count - 1 - i];
  digits[count] = 0;
}

// " name=value"; a field that does not fit even cut is left out.
void PutField(LineBuffer *line, const LogField &field)
{
  if (field.name == nullptr)
    return;
  char digits[DIGITS_CAPACITY] = {0};
  int valueRoom = 2 + CUT_MARK_BYTES;
  if (field.form != LOG_FIELD_TEXT) {
    FormatNumber(field.number, field.form == LOG_FIELD_CODE, digits);
    valueRoom = AsciiLength(digits, DIGITS_CAPACITY);
  }
  if (!Fits(*line, 2 + AsciiLength(field.name, LOG_KIND_CAPACITY) + valueRoom))
    return;
  PutAscii(line, " ", 1);
  PutAscii(line, field.name, LOG_KIND_CAPACITY);
  PutAscii(line, "=", 1);
  if (field.form == LOG_FIELD_TEXT)
    PutQuoted(line, field.text != nullptr ? field.text : L"");
  else
    PutAscii(line, digits, DIGITS_CAPACITY);
}

void FormatTime(const SYSTEMTIME &time, char *text)
{
  char digits[DIGITS_CAPACITY];
  const WORD parts[] = {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                        time.wSecond};
  const char separators[] = {'-', '-', ' ', ':', ':', 0};
  int length = 0;
  for (int i = 0; i < 6; ++i) {
    int width = i == 0 ? 4 : 2;
    FormatNumber(parts[i] % (i == 0 ? 10000 : 100), false, digits);
    for (int pad = AsciiLength(digits, DIGITS_CAPACITY); pad < width; ++pad)
      text[length++] = '0';
    for (int d = 0; digits[d] != 0; ++d)
      text[length++] = digits[d];
    if (separators[i] != 0)
      text[length++] = separators[i];
  }
  text[length] = 0;
}

}  // namespace

int FormatLogLine(char *bytes, int limit, const SYSTEMTIME &time, const char *kind,
                  const LogField *fields, int count)
{
  if (limit > LOG_LINE_CAPACITY)
    limit = LOG_LINE_CAPACITY;
  if (bytes == nullptr || limit < LINE_END_BYTES + 1)
    return 0;
  LineBuffer line = {bytes, 0, limit - LINE_END_BYTES};
  char timeText[TIME_TEXT_BYTES + 1];
  FormatTime(time, timeText);
  PutAscii(&line, timeText, TIME_TEXT_BYTES);
  PutAscii(&line, " ", 1);
  PutAscii(&line, kind != nullptr ? kind : "", LOG_KIND_CAPACITY);
  for (int i = 0; fields != nullptr && i < count; ++i)
    PutField(&line, fields[i]);
  bytes[line.length++] = '\r';
  bytes[line.length++] = '\n';
  return line.length;
}
