// Thousands of random and mutated script lines: nothing crashes, every accepted value
// reads back as written, and nothing changes outside the sections the lines named.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "tests/ScriptTesting.h"

using namespace scripttest;

namespace {

const std::wstring kFuzzRoot = L"Software\\FerroltScriptFuzz";
const std::wstring kSentinel = L"Software\\FerroltScriptSentinel";
// Section lines keep this prefix through every mutation, so writes stay below kFuzzRoot.
const std::wstring kSectionPrefix = L"[HKEY_CURRENT_USER\\" + kFuzzRoot;

struct GeneratedLine {
  std::wstring text;
  bool expectApplied = false;  // an unmutated, well-formed value line
  bool cleanSection = false;   // an unmutated section line of the fuzz tree
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

class LineGenerator {
public:
  explicit LineGenerator(unsigned round) : random_(round) {}

  GeneratedLine Next()
  {
    GeneratedLine line;
    switch (Pick(10)) {
    case 0:
      line.text = SectionText();
      line.cleanSection = true;
      break;
    case 1:
      line.text = RandomText(1 + Pick(80));
      break;
    case 2:
      line.text = Pick(2) ? L"; comment " + RandomText(Pick(20)) : L"REGEDIT4";
      break;
    case 3:
      line.text = OtherRootSection();
      break;
    default:
      line = ValueLine();
      break;
    }
    if (Pick(3) == 0) {
      Mutate(&line.text);
      line.expectApplied = false;
      line.cleanSection = false;
    }
    return line;
  }

private:
  unsigned Pick(unsigned count) { return static_cast<unsigned>(random_() % count); }

  wchar_t RandomChar()
  {
    static const wchar_t syntax[] = L"\"[]=@\\,;: \t0123456789abcdefABCDEFdDhHxX";
    if (Pick(4) != 0)
      return syntax[Pick(static_cast<unsigned>(wcslen(syntax)))];
    return static_cast<wchar_t>(1 + Pick(0xFF));
  }

  std::wstring RandomText(size_t length)
  {
    std::wstring text;
    for (size_t i = 0; i < length; ++i)
      text += RandomChar();
    return text;
  }

  std::wstring SectionText()
  {
    std::wstring section = kSectionPrefix;
    for (unsigned depth = Pick(3); depth > 0; --depth)
      section += L"\\K" + std::to_wstring(Pick(4));
    return std::wstring(Pick(3), L' ') + section + L"]";
  }

  std::wstring OtherRootSection()
  {
    static const wchar_t *roots[] = {L"HKCU", L"hkey_current_user", L"HKEY_CURRENT_USERX",
                                     L"HKEY_CURRENT", L""};
    return std::wstring(L"[") + roots[Pick(5)] + L"\\" + kFuzzRoot + L"]";
  }

  std::wstring PlainText(size_t length)
  {
    std::wstring text;
    for (size_t i = 0; i < length; ++i) {
      wchar_t c = static_cast<wchar_t>(0x20 + Pick(0xE0));
      if (c == L'"' || c == L'\\' || c == 0x7F)
        c = L'_';
      text += c;
    }
    return text;
  }

  GeneratedLine ValueLine()
  {
    GeneratedLine line;
    line.expectApplied = true;
    if (Pick(5) == 0) {
      line.text = L"@=";
    } else {
      line.name = L"N" + std::to_wstring(Pick(12));
      if (Pick(3) == 0)
        line.name += PlainText(Pick(6));
      if (line.name.find(L'=') != std::wstring::npos)
        line.name = L"N";
      line.text = L"\"" + line.name + L"\"=";
    }
    switch (Pick(3)) {
    case 0: {
      std::wstring stored = PlainText(Pick(40)), written;
      // Escapes: a doubled backslash or an escaped quote, never two in a row (a run of
      // backslashes collapses to one, so those could not be told apart).
      for (wchar_t c : stored) {
        unsigned escape = Pick(10);
        if (escape == 0) {
          written += L"\\\\";
          line.data.push_back('\\');
          line.data.push_back(0);
        } else if (escape == 1) {
          written += L"\\\"";
          line.data.push_back('"');
          line.data.push_back(0);
        }
        written += c;
        line.data.push_back(static_cast<BYTE>(c & 0xFF));
        line.data.push_back(static_cast<BYTE>(c >> 8));
      }
      line.data.push_back(0);
      line.data.push_back(0);
      line.type = REG_SZ;
      line.text += L"\"" + written + L"\"" + std::wstring(Pick(3), L' ');
      break;
    }
    case 1: {
      DWORD number = static_cast<DWORD>(random_());
      wchar_t digits[16];
      wsprintfW(digits, Pick(2) ? L"%08lx" : L"%lX", number);
      line.text += (Pick(2) ? L"dword:" : L"DWORD:") + std::wstring(digits);
      line.type = REG_DWORD;
      line.data.assign(reinterpret_cast<BYTE *>(&number), reinterpret_cast<BYTE *>(&number) + 4);
      break;
    }
    default: {
      line.text += Pick(2) ? L"hex:" : L"HEX: ";
      unsigned count = 1 + Pick(Pick(10) == 0 ? 400 : 12);
      for (unsigned i = 0; i < count; ++i) {
        BYTE byte = static_cast<BYTE>(Pick(256));
        wchar_t pair[4];
        wsprintfW(pair, Pick(2) ? L"%02x" : L"%02X", byte);
        line.text += (i > 0 ? (Pick(4) ? L"," : L" ,\t") : L"") + std::wstring(pair);
        line.data.push_back(byte);
      }
      if (Pick(2))
        line.text += L",";
      line.type = REG_BINARY;
      break;
    }
    }
    return line;
  }

  void Mutate(std::wstring *text)
  {
    // Section lines keep their root and the fuzz key as written.
    size_t keep = text->find(kSectionPrefix) != std::wstring::npos
                      ? text->find(kSectionPrefix) + kSectionPrefix.size()
                      : 0;
    for (unsigned count = 1 + Pick(3); count > 0; --count) {
      size_t length = text->size();
      size_t at = keep + (length > keep ? Pick(static_cast<unsigned>(length - keep + 1)) : 0);
      switch (Pick(6)) {
      case 0:
        text->insert(at, 1, RandomChar());
        break;
      case 1:
        if (at < length)
          text->erase(at, 1);
        break;
      case 2:
        if (at < length)
          (*text)[at] = RandomChar();
        break;
      case 3:
        text->resize(at);
        break;
      case 4:
        text->insert(at, text->substr(at, 1 + Pick(20)));
        break;
      default:
        // Now and then a very long line: past the name, hex and line limits.
        if (Pick(8) == 0)
          text->insert(at, std::wstring(Pick(2) ? 300 : 49200, Pick(2) ? L'a' : L','));
        else
          text->insert(at, Pick(2) ? L"\"" : L"=");
        break;
      }
    }
  }

  std::mt19937 random_;
};

// The subkey path a section names under HKEY_CURRENT_USER, as the registry stores it.
std::wstring StoredSubkey(const std::wstring &section)
{
  const wchar_t *subkey = nullptr;
  if (SplitRootKey(section.c_str(), &subkey) != HKEY_CURRENT_USER)
    return L"";
  std::wstring path, part;
  for (const wchar_t *c = subkey;; ++c) {
    if (*c == L'\\' || *c == 0) {
      if (!part.empty())
        path += (path.empty() ? L"" : L"\\") + part;
      part.clear();
      if (*c == 0)
        break;
    } else {
      part += *c;
    }
  }
  return Lower(path);
}

void DeleteFuzzKeys()
{
  HKEY software;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software) != ERROR_SUCCESS)
    return;
  std::vector<std::wstring> doomed;
  wchar_t name[512];
  for (DWORD index = 0;; ++index) {
    DWORD length = 512;
    if (RegEnumKeyExW(software, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (Lower(name).compare(0, 17, L"ferroltscriptfuzz") == 0)
      doomed.push_back(std::wstring(L"Software\\") + name);
  }
  RegCloseKey(software);
  for (const std::wstring &key : doomed)
    test::DeleteTree(HKEY_CURRENT_USER, key);
}

void PlantSentinel()
{
  test::SetString(HKEY_CURRENT_USER, kSentinel, L"A", L"sentinel");
  test::SetDword(HKEY_CURRENT_USER, kSentinel + L"\\K1", L"N1", 0x1234);
  test::SetString(HKEY_CURRENT_USER, kSentinel + L"\\K1\\K2", L"", L"default");
}

class ScriptFuzz : public ::testing::Test {
protected:
  void SetUp() override
  {
    DeleteFuzzKeys();
    test::DeleteTree(HKEY_CURRENT_USER, kSentinel);
    PlantSentinel();
    ResetScriptState(0);
  }
  void TearDown() override
  {
    DeleteFuzzKeys();
    test::DeleteTree(HKEY_CURRENT_USER, kSentinel);
    ResetScriptState(0);
  }

  // Feeds count generated lines; returns the sections they named.
  std::set<std::wstring> Feed(unsigned round, int count, int *rejected)
  {
    LineGenerator generator(round);
    std::set<std::wstring> sections;
    bool inCleanSection = false;
    for (int i = 0; i < count; ++i) {
      GeneratedLine line = generator.Next();
      std::vector<wchar_t> buffer(line.text.begin(), line.text.end());
      buffer.push_back(0);
      ++g_script.lineNumber;
      g_script.failed = false;
      bool applied = ApplyScriptLine(&buffer[0]);
      EXPECT_EQ(!applied, g_script.failed) << "round " << round << " line " << i;
      if (!applied)
        ++*rejected;
      if (g_script.sectionSeen)
        sections.insert(g_script.section);
      size_t first = line.text.find_first_not_of(L" \t");
      if (applied && first != std::wstring::npos && line.text[first] == L'[')
        inCleanSection = line.cleanSection;
      if (line.expectApplied && inCleanSection) {
        EXPECT_TRUE(applied) << "round " << round << " line " << i;
        DWORD type = 0;
        std::vector<BYTE> data;
        EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, StoredSubkey(g_script.section), line.name, &type,
                             &data))
            << "round " << round << " line " << i;
        EXPECT_EQ(line.type, type) << "round " << round << " line " << i;
        EXPECT_TRUE(line.data == data) << "round " << round << " line " << i;
      }
    }
    return sections;
  }

  // Every key that is new or changed must be a named section or an ancestor of one.
  void ExpectChangesOnlyInSections(const TreeSnapshot &before, const TreeSnapshot &after,
                                   const std::set<std::wstring> &sections)
  {
    std::set<std::wstring> allowed;
    for (const std::wstring &section : sections) {
      std::wstring path = StoredSubkey(section);
      if (!path.empty())
        allowed.insert(path);
    }
    for (const auto &entry : before)
      EXPECT_TRUE(after.count(entry.first) != 0) << "key removed: " << testing::PrintToString(entry.first);
    int changed = 0;
    for (const auto &entry : after) {
      auto old = before.find(entry.first);
      if (old != before.end() && old->second == entry.second)
        continue;
      ++changed;
      const std::wstring &path = entry.first;
      bool named = allowed.count(path) != 0;
      bool ancestor = false;
      for (const std::wstring &section : allowed)
        ancestor = ancestor || section.compare(0, path.size() + 1, path + L"\\") == 0;
      EXPECT_TRUE(named || (ancestor && entry.second.empty() && old == before.end()))
          << "unexpected change in HKCU\\" << testing::PrintToString(path);
    }
    EXPECT_GT(changed, 0);
  }
};

TEST_F(ScriptFuzz, RandomLinesChangeOnlyTheSectionsTheyName)
{
  TreeSnapshot before = Snapshot(HKEY_CURRENT_USER, L"Software");
  TreeSnapshot sentinel = Snapshot(HKEY_CURRENT_USER, kSentinel);
  ASSERT_EQ(3u, sentinel.size());

  test::BoxAnswerer boxes;
  g_script.quiet = true;
  std::set<std::wstring> sections;
  int rejected = 0;
  for (unsigned round = 1; round <= 8; ++round) {
    std::set<std::wstring> named = Feed(round, 500, &rejected);
    sections.insert(named.begin(), named.end());
    g_script.sectionSeen = false;
  }
  EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
  EXPECT_GT(rejected, 200);
  EXPECT_LT(rejected, 3500);

  TreeSnapshot after = Snapshot(HKEY_CURRENT_USER, L"Software");
  EXPECT_TRUE(sentinel == Snapshot(HKEY_CURRENT_USER, kSentinel));
  ExpectChangesOnlyInSections(before, after, sections);
}

TEST_F(ScriptFuzz, EveryRejectedLineShowsItsBoxes)
{
  test::BoxAnswerer boxes;
  LineGenerator generator(99);
  int rejected = 0;
  for (int i = 0; i < 120 && rejected < 25; ++i) {
    GeneratedLine line = generator.Next();
    std::vector<wchar_t> buffer(line.text.begin(), line.text.end());
    buffer.push_back(0);
    g_script.lineNumber = i + 1;
    boxes.Clear();
    bool applied = ApplyScriptLine(&buffer[0]);
    if (applied) {
      EXPECT_EQ(0u, boxes.Count()) << boxes.Captions();
      continue;
    }
    ++rejected;
    ASSERT_GE(boxes.Count(), 1u);
    ASSERT_LE(boxes.Count(), 2u) << boxes.Captions();
    std::wstring caption = boxes.Boxes().back().caption;
    std::wstring number = L"Line " + std::to_wstring(i + 1);
    EXPECT_EQ(number, caption.substr(0, number.size())) << caption;
    EXPECT_EQ(L"Error", boxes.Boxes().back().text);
    if (boxes.Count() == 2)
      EXPECT_EQ(L"Create Reg Key", boxes.Boxes()[0].caption);
  }
  EXPECT_GT(rejected, 5);
}

}  // namespace
