// Path and text helpers, table-driven: a row per input and its expected output.
#include <gtest/gtest.h>

#include <string>

#include "Common/StdFuncs.h"

namespace {

struct ReplaceCase {
  const wchar_t *text, *sought, *replacement, *expected;
  bool replaced;
};

TEST(ReplaceFirst, ReplacesOnlyTheFirstOccurrence)
{
  const ReplaceCase cases[] = {
      {L"a%1b%1", L"%1", L"X", L"aXb%1", true},
      {L"abc", L"zz", L"X", L"abc", false},
      {L"%1", L"%1", L"", L"", true},
      {L"\"%1\" %*", L"%*", L"-a", L"\"%1\" -a", true},
      {L"x\\\\y\\\\z", L"\\\\", L"\\", L"x\\y\\\\z", true},
      {L"", L"%1", L"X", L"", false},
  };
  for (const ReplaceCase &c : cases) {
    wchar_t buffer[TEXT_CAPACITY];
    CopyText(buffer, TEXT_CAPACITY, c.text);
    EXPECT_EQ(c.replaced, ReplaceFirst(buffer, TEXT_CAPACITY, c.sought, c.replacement)) << c.text;
    EXPECT_STREQ(c.expected, buffer) << c.text;
  }
}

TEST(ReplaceFirst, RefusesAResultThatDoesNotFit)
{
  wchar_t buffer[TEXT_CAPACITY];
  std::wstring text(250, L'a');
  text += L"%1";
  CopyText(buffer, TEXT_CAPACITY, text.c_str());
  bool tooLong = false;
  EXPECT_FALSE(ReplaceFirst(buffer, TEXT_CAPACITY, L"%1", L"0123456789", &tooLong));
  EXPECT_TRUE(tooLong);
  EXPECT_EQ(text, buffer);

  // Exactly 259 characters still fit.
  EXPECT_TRUE(ReplaceFirst(buffer, TEXT_CAPACITY, L"%1", L"012345678", &tooLong));
  EXPECT_FALSE(tooLong);
  EXPECT_EQ(259u, wcslen(buffer));
}

TEST(GetExtension, TakesTheLastDotOfTheWholePath)
{
  const struct {
    const wchar_t *path, *extension;
    bool found;
  } cases[] = {
      {L"\\Windows\\tool.exe", L".exe", true},
      {L"\\My.Dir\\prog", L".Dir\\prog", true},
      {L"\\Windows\\prog", L"", false},
      {L"a.b.c", L".c", true},
      {L"trailing.", L".", true},
  };
  for (const auto &c : cases) {
    wchar_t extension[TEXT_CAPACITY] = L"junk";
    EXPECT_EQ(c.found, GetExtension(c.path, extension, TEXT_CAPACITY)) << c.path;
    EXPECT_STREQ(c.extension, extension) << c.path;
  }
}

TEST(GetBaseName, SkipsBlanksDropsDirectoryAndCutsLastExtension)
{
  const struct {
    const wchar_t *path, *name;
    bool found;
  } cases[] = {
      {L"\\Windows\\tool.exe", L"tool", true},
      {L"  Stock.old", L"Stock", true},
      {L"a.b.c", L"a.b", true},
      {L".profile", L"", false},
      {L"\\Temp\\Menu2.reg", L"Menu2", true},
      {L"Menu2", L"Menu2", true},
      {L"\ttab", L"\ttab", true},  // only blanks are skipped
  };
  for (const auto &c : cases) {
    wchar_t name[TEXT_CAPACITY] = L"junk";
    EXPECT_EQ(c.found, GetBaseName(c.path, name, TEXT_CAPACITY)) << c.path;
    EXPECT_STREQ(c.name, name) << c.path;
  }
}

TEST(GetBaseName, LeavesTheOutputAloneWhenNothingFollowsTheLastBackslash)
{
  wchar_t name[TEXT_CAPACITY] = L"untouched";
  EXPECT_FALSE(GetBaseName(L"\\Temp\\", name, TEXT_CAPACITY));
  EXPECT_STREQ(L"untouched", name);
  EXPECT_FALSE(GetBaseName(nullptr, name, TEXT_CAPACITY));
  EXPECT_STREQ(L"untouched", name);
}

TEST(GetDirectory, KeepsTheTextUpToTheLastBackslash)
{
  const struct {
    const wchar_t *path, *directory;
    bool found;
  } cases[] = {
      {L"\\Temp\\notes.exe", L"\\Temp\\", true},
      {L"notes.exe", L"", false},
      {L"  \\a\\b\\c", L"\\a\\b\\", true},
      {L"\\", L"\\", true},
  };
  for (const auto &c : cases) {
    wchar_t directory[TEXT_CAPACITY] = L"junk";
    EXPECT_EQ(c.found, GetDirectory(c.path, directory, TEXT_CAPACITY)) << c.path;
    EXPECT_STREQ(c.directory, directory) << c.path;
  }
}

TEST(TextBuffers, CopiesAndAppendsAreCutAtTheBufferEnd)
{
  wchar_t small[5];
  EXPECT_FALSE(CopyText(small, 5, L"abcdefgh"));
  EXPECT_STREQ(L"abcd", small);
  EXPECT_TRUE(CopyText(small, 5, L"ab"));
  EXPECT_FALSE(AppendText(small, 5, L"cdef"));
  EXPECT_STREQ(L"abcd", small);
  EXPECT_TRUE(CopyText(small, 5, nullptr));
  EXPECT_STREQ(L"", small);
}

}  // namespace
