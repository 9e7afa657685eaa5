// The preview's report page: escaping of everything the script brings, file names every
// file system takes, hot-key texts, and links that lead to a section of the page.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "checker/ReportPage.h"

namespace {

TEST(ReportPage, EscapesMarkupAndKeepsOtherTextAsUtf8)
{
  struct Row {
    const wchar_t *text;
    const char *html;
  } rows[] = {
      {L"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {L"a & b \"c\" 'd'", "a &amp; b &quot;c&quot; &#39;d&#39;"},
      {L"Caf\u00e9 \u2192", "Caf\xc3\xa9 \xe2\x86\x92"},
      {L"", ""},
  };
  for (const Row &row : rows)
    EXPECT_EQ(row.html, preview::EscapeHtml(row.text));
}

TEST(ReportPage, FileNamesAreSafeAndUniqueIgnoringCase)
{
  std::set<std::wstring> used = {L"index.html"};
  struct Row {
    const wchar_t *name;
    const wchar_t *file;
  } rows[] = {
      {L"Default", L"Default.png"},
      {L"default", L"default-2.png"},
      {L"Tools/Admin:*?", L"Tools_Admin___.png"},
      {L"..", L"_.png"},
      {L"CON", L"_CON.png"},
      {L"com1.x", L"_com1.x.png"},
      {L"index", L"index.png"},
      {L"\u00c9t\u00e9 \u00e0", L"_t___.png"},
  };
  for (const Row &row : rows)
    EXPECT_EQ(row.file, preview::SafeFileName(row.name, L".png", &used)) << row.name;
  std::wstring longName(300, L'x');
  EXPECT_EQ(64u, preview::SafeFileName(longName, L".png", &used).size());
}

TEST(ReportPage, HotKeysNameTheirModifiersAndKey)
{
  EXPECT_EQ(L"Ctrl+Shift+F5", preview::HotKeyText(VK_F5, MOD_CONTROL | MOD_SHIFT));
  EXPECT_EQ(L"Alt+A", preview::HotKeyText('A', MOD_ALT));
  EXPECT_EQ(L"Ctrl+0x24", preview::HotKeyText(VK_HOME, MOD_CONTROL));
  EXPECT_EQ(L"", preview::HotKeyText('A', 0));
  EXPECT_EQ(L"", preview::HotKeyText(0, MOD_ALT));
}

TEST(ReportPage, ShowsEachConfigurationWithItsItemsFindingsAndWorkingLinks)
{
  check::CheckReport report;
  report.script = L"C:\\scripts\\depot<1>.reg";
  check::CheckedProfile profile;
  profile.name = L"Depot";
  check::CheckedConfiguration home;
  home.name = L"Default";
  home.reachable = true;
  home.entries.push_back({1, L"Prog1", L"<b>Scan</b>", L"\\Windows\\scan.exe", L"/fast", L"", L"",
                          'S', MOD_CONTROL, 0, 7, true, true});
  home.entries.push_back({2, L"Prog2", L"Tools", L"", L"", L"Tools", L"Tools", 0, 0, 0, 9});
  home.entries.push_back({3, L"Prog3", L"Nowhere", L"", L"", L"Missing", L"", 0, 0, 0,
                          11});
  check::CheckedConfiguration tools;
  tools.name = L"Tools";
  tools.parent = L"Default";
  tools.parentItem = 2;
  tools.depth = 1;
  tools.reachable = true;
  tools.findings.push_back({14, check::Severity::Error, L"Tools", L"Bad <value>", L"<50>"});
  profile.configurations = {home, tools};
  report.profiles.push_back(profile);

  preview::Shot first;
  first.file = L"Default.png";
  first.caption = L"Depot";
  first.callTargets = {L"", L"Tools", L"Missing"};
  first.added = {{4, L"Exit"}};
  preview::Shot second;
  second.configuration = 1;
  second.file = L"Tools.png";
  second.caption = L"Depot - Tools";
  second.added = {{0, L"Back"}};
  std::string page = preview::MakeReportPage(report, {first, second}, preview::PageOptions());

  EXPECT_EQ(std::string::npos, page.find("<b>Scan"));
  EXPECT_NE(std::string::npos, page.find("&lt;b&gt;Scan&lt;/b&gt;"));
  EXPECT_NE(std::string::npos, page.find("depot&lt;1&gt;.reg:14"));
  EXPECT_NE(std::string::npos, page.find("Bad &lt;value&gt; <span class=\"muted\">(the device uses &lt;50&gt;)"));
  EXPECT_NE(std::string::npos, page.find("Ctrl+S"));
  EXPECT_NE(std::string::npos, page.find("starts with the launcher</span><br><span class=\"mark\">kept running"));
  EXPECT_NE(std::string::npos, page.find("src=\"Default.png\""));
  EXPECT_NE(std::string::npos, page.find("src=\"Tools.png\""));
  EXPECT_NE(std::string::npos, page.find("Missing <span class=\"muted\">(not in the profile)"));
  EXPECT_NE(std::string::npos, page.find("1 error(s)"));
  EXPECT_EQ(std::string::npos, page.find("<script"));

  // Every link leads to a section that exists.
  std::set<std::string> ids;
  std::regex id("id=\"([^\"]+)\"");
  for (std::sregex_iterator it(page.begin(), page.end(), id), end; it != end; ++it)
    ids.insert((*it)[1]);
  std::regex link("href=\"#([^\"]+)\"");
  int links = 0;
  for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it, ++links)
    EXPECT_EQ(1u, ids.count((*it)[1])) << (*it)[1];
  EXPECT_EQ(5, links);  // map: both and Default's call; the item table's call; Tools' caller
}

}  // namespace
