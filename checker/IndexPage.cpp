#include "checker/IndexPage.h"

#include "checker/ReportPage.h"

namespace preview {
namespace {

const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#222;background:#fff}h1{font-size:1.5em}"
    "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:.3em .6em;"
    "text-align:left;vertical-align:middle}th{background:#eee}.error{color:#a00;"
    "font-weight:bold}.warning{color:#a60}.clean{color:#070;font-weight:bold}"
    "img{border:1px solid #888}";

std::string Count(size_t count, const char *cssClass)
{
  return count == 0 ? "<td>0</td>"
                    : "<td class=\"" + std::string(cssClass) + "\">" + std::to_string(count) +
                          "</td>";
}

std::string Result(const check::CheckReport &report)
{
  switch (report.ExitCode()) {
  case 0: return "<span class=\"clean\">clean</span>";
  case 1: return "<span class=\"warning\">warnings</span>";
  case 2: return "<span class=\"error\">errors</span>";
  default: return "<span class=\"error\">could not be read</span>";
  }
}

}  // namespace

std::string MakeIndexPage(const std::vector<IndexRow> &rows, const IndexOptions &options)
{
  std::string page =
      std::string("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                  "<title>Preview of ") + std::to_string(rows.size()) +
      " scripts</title>\n<style>" + kStyle + "</style></head><body>\n<h1>Preview of " +
      std::to_string(rows.size()) + " scripts</h1>\n<table>\n<tr><th>Script</th><th>Result</th>"
      "<th>Errors</th><th>Warnings</th><th>Configurations</th><th>Home screen</th></tr>\n";
  int width = options.width / 2, height = options.height / 2;
  for (const IndexRow &row : rows) {
    const check::CheckReport &report = *row.report;
    size_t configurations = 0;
    for (const check::CheckedProfile &profile : report.profiles)
      configurations += profile.configurations.size();
    std::string link = EscapeHtml(row.folder) + "/index.html";
    page += "<tr><td><a href=\"" + link + "\">" + EscapeHtml(report.script) + "</a></td><td>" +
            Result(report) + "</td>" + Count(report.Count(check::Severity::Error), "error") +
            Count(report.Count(check::Severity::Warning), "warning") + "<td>" +
            std::to_string(configurations) + "</td><td>";
    if (!row.homePicture.empty())
      page += "<a href=\"" + link + "\"><img src=\"" + EscapeHtml(row.folder) + "/" +
              EscapeHtml(row.homePicture) + "\" width=\"" + std::to_string(width) +
              "\" height=\"" + std::to_string(height) + "\" alt=\"home screen of " +
              EscapeHtml(report.script) + "\"></a>";
    else
      page += "<span class=\"error\">not shown</span>";
    page += "</td></tr>\n";
  }
  page += "</table>\n</body></html>\n";
  return page;
}

}  // namespace preview
