// The summary of an event log and its two ways of printing.
#include "checker/EventLogSummary.h"

#include <algorithm>

#include "checker/ReportOutput.h"

namespace eventlog {
namespace {

const wchar_t kNoEndRestarted[] = L"no end: the launcher started again (reset, power loss or crash)";
const wchar_t kNoEndLast[] = L"no end in the log (still running, or the log stops)";

void Count(std::vector<Counted> *counts, const std::wstring &text, const std::wstring &caption = L"")
{
  for (Counted &counted : *counts) {
    if (counted.text == text && counted.caption == caption) {
      ++counted.count;
      return;
    }
  }
  counts->push_back({text, caption, 1});
}

EntryCounts *EntryOf(Summary *summary, const Event &event)
{
  std::wstring configuration = event.Field("configuration"), key = event.Field("key");
  for (EntryCounts &entry : summary->entries) {
    if (entry.configuration == configuration && entry.key == key) {
      entry.label = event.Field("entry");
      return &entry;
    }
  }
  EntryCounts entry;
  entry.configuration = configuration;
  entry.key = key;
  entry.label = event.Field("entry");
  summary->entries.push_back(entry);
  return &summary->entries.back();
}

PromptCounts *PromptOf(Summary *summary, const std::wstring &prompt)
{
  for (PromptCounts &counts : summary->prompts)
    if (counts.prompt == prompt)
      return &counts;
  PromptCounts counts;
  counts.prompt = prompt;
  summary->prompts.push_back(counts);
  return &summary->prompts.back();
}

void CountLaunch(Summary *summary, const Event &event)
{
  EntryCounts *entry = EntryOf(summary, event);
  std::wstring by = event.Field("by");
  if (event.kind == "LAUNCH") {
    ++entry->starts;
    if (by == L"auto-start")
      ++entry->autoStarts;
    else if (by == L"restart")
      ++entry->restarts;
    else
      ++entry->byUser;
  } else if (event.kind == "LAUNCH-FAILED") {
    entry->failures.push_back({event.Field("reason"), event.Field("code")});
  } else if (event.kind == "PROGRAM-END") {
    entry->exitCodes.push_back(event.Field("exit"));
  } else if (event.kind == "CRASH-LOOP") {
    entry->exitCodes.push_back(event.Field("exit"));
    entry->crashLoopExitCodes.push_back(event.Field("exit"));
  } else if (event.kind == "WAIT" && event.Field("for") == L"network") {
    ++entry->networkWaits;
    if (event.Field("ended") == L"timed out")
      ++entry->networkTimeouts;
  } else if (event.kind == "EXIT-ACTION") {
    std::wstring action = event.Field("action") + L" after " + event.Field("exit");
    if (event.Has("result"))
      action += L" (" + event.Field("result") + L")";
    entry->exitActions.push_back(action);
  }
}

void CountPassword(Summary *summary, const Event &event)
{
  // An entry's prompt is counted per entry: "entry Service".
  std::wstring prompt = event.Field("prompt");
  if (event.Has("entry"))
    prompt += L" " + event.Field("entry");
  PromptCounts *counts = PromptOf(summary, prompt);
  std::wstring result = event.Field("result");
  if (result == L"right")
    ++counts->right;
  else if (result == L"wrong")
    ++counts->wrong;
  else if (result == L"cancelled")
    ++counts->cancelled;
  else if (result == L"locked out")
    ++counts->refusedLocked;
  else if (result == L"no valid password")
    ++counts->notValid;
  else if (result == L"not checked")
    ++counts->notChecked;
  if (event.Has("locked"))
    ++counts->lockOuts;
}

void CountIdleReturn(Summary *summary, const Event &event)
{
  ++summary->idleReturns;
  Count(&summary->idleFrom, event.Field("from"));
}

void CountUpdate(Summary *summary, const Event &event)
{
  if (event.kind == "UPDATE-APPLIED") {
    ++summary->updatesApplied;
    return;
  }
  ++summary->updatesRejected;
  Count(&summary->rejectedFor, event.Field("reason"));
}

// Runs: a START opens one (closing the one before, which then had no end), an END closes
// it; events before any START belong to a run that began before the log.
void CountRun(Summary *summary, const Event &event, bool *open)
{
  if (event.kind == "START") {
    if (*open)
      summary->runs.back().restartedWithoutEnd = true;
    summary->runs.push_back(Run());
    Run &run = summary->runs.back();
    run.started = event.time;
    run.version = event.Field("version");
    run.platform = event.Field("platform");
    run.screen = event.Field("screen");
    *open = true;
  } else if (!*open) {
    summary->runs.push_back(Run());
    *open = true;
  }
  Run &run = summary->runs.back();
  ++run.events;
  run.ended = event.time;
  if (event.kind == "PROFILE") {
    run.profile = event.Field("profile");
    if (run.profile.empty())
      run.profile = event.Field("key");
  } else if (event.kind == "END") {
    run.how = event.Field("how");
    run.endLogged = true;
    *open = false;
  }
}

std::string Text(const std::wstring &text)
{
  return check::OneLine(text);
}

std::string Plural(int count, const char *one, const char *many)
{
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string RunEnd(const Run &run)
{
  if (run.endLogged)
    return Text(run.how);
  return Text(run.restartedWithoutEnd ? kNoEndRestarted : kNoEndLast);
}

// "  START to END: profile, version, platform, screen: how it ended"; what the log does not
// say is left out.
std::string RunLine(const Run &run)
{
  std::string line = "  " + (run.started.empty() ? std::string("(began before the log)")
                                                 : run.started) + " to " + run.ended + ":";
  std::string facts;
  if (!run.profile.empty())
    facts += " profile \"" + Text(run.profile) + "\",";
  if (!run.version.empty())
    facts += " version " + Text(run.version) + ",";
  if (!run.platform.empty())
    facts += " " + Text(run.platform) + ",";
  if (!run.screen.empty())
    facts += " screen " + Text(run.screen) + ",";
  if (!facts.empty()) {
    facts.back() = ':';
    line += facts;
  }
  return line + " " + RunEnd(run) + "\n";
}

std::string Codes(const std::vector<std::wstring> &codes)
{
  std::string out;
  for (const std::wstring &code : codes)
    out += (out.empty() ? "" : ", ") + Text(code);
  return out;
}

std::string EntryLine(const EntryCounts &entry)
{
  std::string line = "  " + Text(entry.configuration) + "\\" + Text(entry.key) + " \"" +
                     Text(entry.label) + "\": " + Plural(entry.starts, "start", "starts") + " (" +
                     std::to_string(entry.byUser) + " by the user, " +
                     std::to_string(entry.autoStarts) + " auto-start, " +
                     std::to_string(entry.restarts) + " restarts)";
  if (!entry.failures.empty()) {
    line += "; " + Plural(static_cast<int>(entry.failures.size()), "failure", "failures") + ": ";
    for (size_t i = 0; i < entry.failures.size(); ++i) {
      const Failure &failure = entry.failures[i];
      line += (i == 0 ? "" : ", ") + Text(failure.reason);
      if (!failure.code.empty())
        line += " (code " + Text(failure.code) + ")";
    }
  }
  if (!entry.exitCodes.empty())
    line += "; " + Plural(static_cast<int>(entry.exitCodes.size()), "end", "ends") +
            " of the kept program (exit codes " + Codes(entry.exitCodes) + ")";
  if (!entry.crashLoopExitCodes.empty())
    line += "; " +
            Plural(static_cast<int>(entry.crashLoopExitCodes.size()), "crash-loop stop",
                   "crash-loop stops") +
            (entry.crashLoopExitCodes.size() == 1 ? " (last exit code " : " (last exit codes ") +
            Codes(entry.crashLoopExitCodes) + ")";
  if (entry.networkWaits != 0)
    line += "; " + Plural(entry.networkWaits, "wait", "waits") + " for the network (" +
            std::to_string(entry.networkTimeouts) + " timed out)";
  if (!entry.exitActions.empty()) {
    line += "; exit actions: ";
    for (size_t i = 0; i < entry.exitActions.size(); ++i)
      line += (i == 0 ? "" : ", ") + Text(entry.exitActions[i]);
  }
  return line + "\n";
}

std::string CountedList(const std::vector<Counted> &counts)
{
  std::string out;
  for (const Counted &counted : counts)
    out += (out.empty() ? "" : ", ") + Text(counted.text) + " " + std::to_string(counted.count);
  return out;
}

int EventsOf(const Reading &reading, const std::wstring &file)
{
  return static_cast<int>(std::count_if(reading.events.begin(), reading.events.end(),
                                        [&](const Event &event) { return event.file == file; }));
}

const Stop *StopOf(const Reading &reading, const std::wstring &file)
{
  for (const Stop &stop : reading.stops)
    if (stop.file == file)
      return &stop;
  return nullptr;
}

std::string StopText(const Stop &stop)
{
  return "stopped at line " + std::to_string(stop.line) + " (byte " +
         std::to_string(stop.offset) + "): " + stop.reason;
}

std::string JsonText(const std::wstring &text)
{
  return check::JsonString(text);
}

std::string JsonAscii(const std::string &text)
{
  return check::JsonString(std::wstring(text.begin(), text.end()));
}

std::string JsonEvents(const Reading &reading)
{
  std::string out = "[";
  for (size_t i = 0; i < reading.events.size(); ++i) {
    const Event &event = reading.events[i];
    out += (i == 0 ? "\n    " : ",\n    ");
    out += "{\"file\": " + JsonText(event.file) + ", \"line\": " + std::to_string(event.line) +
           ", \"time\": " + JsonAscii(event.time) + ", \"kind\": " + JsonAscii(event.kind) +
           ", \"fields\": {";
    for (size_t f = 0; f < event.fields.size(); ++f)
      out += (f == 0 ? "" : ", ") + JsonAscii(event.fields[f].first) + ": " +
             JsonText(event.fields[f].second);
    out += "}}";
  }
  return out + (reading.events.empty() ? "]" : "\n  ]");
}

std::string JsonStrings(const std::vector<std::wstring> &texts)
{
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i)
    out += (i == 0 ? "" : ", ") + JsonText(texts[i]);
  return out + "]";
}

std::string JsonCounted(const std::vector<Counted> &counts, const char *name, bool captions)
{
  std::string out = "[";
  for (size_t i = 0; i < counts.size(); ++i) {
    out += (i == 0 ? "" : ", ");
    out += std::string("{\"") + name + "\": " + JsonText(counts[i].text);
    if (captions)
      out += ", \"caption\": " + JsonText(counts[i].caption);
    out += ", \"count\": " + std::to_string(counts[i].count) + "}";
  }
  return out + "]";
}

std::string JsonFiles(const Reading &reading)
{
  std::string out = "[";
  for (size_t i = 0; i < reading.files.size(); ++i) {
    const std::wstring &file = reading.files[i];
    out += (i == 0 ? "" : ", ");
    out += "{\"file\": " + JsonText(file) + ", \"events\": " +
           std::to_string(EventsOf(reading, file)) + ", \"stopped\": ";
    const Stop *stop = StopOf(reading, file);
    if (stop == nullptr)
      out += "null}";
    else
      out += "{\"line\": " + std::to_string(stop->line) + ", \"offset\": " +
             std::to_string(stop->offset) + ", \"reason\": " + JsonAscii(stop->reason) + "}}";
  }
  return out + "]";
}

std::string JsonRuns(const Summary &summary)
{
  std::string out = "[";
  for (size_t i = 0; i < summary.runs.size(); ++i) {
    const Run &run = summary.runs[i];
    out += (i == 0 ? "\n    " : ",\n    ");
    out += "{\"started\": " + (run.started.empty() ? "null" : JsonAscii(run.started)) +
           ", \"ended\": " + JsonAscii(run.ended) + ", \"profile\": " + JsonText(run.profile) +
           ", \"version\": " + JsonText(run.version) + ", \"platform\": " +
           JsonText(run.platform) + ", \"screen\": " + JsonText(run.screen) +
           ", \"how\": " + JsonAscii(RunEnd(run)) + ", \"endLogged\": " +
           (run.endLogged ? "true" : "false") + ", \"events\": " + std::to_string(run.events) +
           "}";
  }
  return out + (summary.runs.empty() ? "]" : "\n  ]");
}

std::string JsonEntries(const Summary &summary)
{
  std::string out = "[";
  for (size_t i = 0; i < summary.entries.size(); ++i) {
    const EntryCounts &entry = summary.entries[i];
    out += (i == 0 ? "\n    " : ",\n    ");
    out += "{\"configuration\": " + JsonText(entry.configuration) + ", \"key\": " +
           JsonText(entry.key) + ", \"label\": " + JsonText(entry.label) +
           ", \"starts\": " + std::to_string(entry.starts) + ", \"byUser\": " +
           std::to_string(entry.byUser) + ", \"autoStarts\": " +
           std::to_string(entry.autoStarts) + ", \"restarts\": " +
           std::to_string(entry.restarts) + ", \"failures\": [";
    for (size_t f = 0; f < entry.failures.size(); ++f)
      out += (f == 0 ? "" : ", ") + std::string("{\"reason\": ") +
             JsonText(entry.failures[f].reason) + ", \"code\": " +
             (entry.failures[f].code.empty() ? "null" : JsonText(entry.failures[f].code)) + "}";
    out += "], \"exitCodes\": " + JsonStrings(entry.exitCodes) +
           ", \"crashLoopExitCodes\": " + JsonStrings(entry.crashLoopExitCodes) +
           ", \"networkWaits\": " + std::to_string(entry.networkWaits) +
           ", \"networkTimeouts\": " + std::to_string(entry.networkTimeouts) +
           ", \"exitActions\": " + JsonStrings(entry.exitActions) + "}";
  }
  return out + (summary.entries.empty() ? "]" : "\n  ]");
}

std::string JsonPrompts(const Summary &summary)
{
  std::string out = "[";
  for (size_t i = 0; i < summary.prompts.size(); ++i) {
    const PromptCounts &p = summary.prompts[i];
    out += (i == 0 ? "" : ", ");
    out += "{\"prompt\": " + JsonText(p.prompt) + ", \"right\": " + std::to_string(p.right) +
           ", \"wrong\": " + std::to_string(p.wrong) + ", \"cancelled\": " +
           std::to_string(p.cancelled) + ", \"lockOuts\": " + std::to_string(p.lockOuts) +
           ", \"refusedWhileLockedOut\": " + std::to_string(p.refusedLocked) +
           ", \"noValidPassword\": " + std::to_string(p.notValid) +
           ", \"notChecked\": " + std::to_string(p.notChecked) + "}";
  }
  return out + "]";
}

}  // namespace

Summary Summarise(const Reading &reading)
{
  Summary summary;
  bool open = false;
  for (const Event &event : reading.events) {
    CountRun(&summary, event, &open);
    if (event.kind == "LAUNCH" || event.kind == "LAUNCH-FAILED" || event.kind == "PROGRAM-END" ||
        event.kind == "CRASH-LOOP" || event.kind == "WAIT" || event.kind == "EXIT-ACTION")
      CountLaunch(&summary, event);
    else if (event.kind == "PASSWORD")
      CountPassword(&summary, event);
    else if (event.kind == "IDLE-HOME")
      CountIdleReturn(&summary, event);
    else if (event.kind == "BACK" && event.Field("reason") == L"failure")
      Count(&summary.leftByFailure, event.Field("from"));
    else if (event.kind == "MESSAGE")
      Count(&summary.messages, event.Field("text"), event.Field("caption"));
    else if (event.kind == "UPDATE-APPLIED" || event.kind == "UPDATE-REJECTED")
      CountUpdate(&summary, event);
  }
  std::stable_sort(summary.messages.begin(), summary.messages.end(),
                   [](const Counted &a, const Counted &b) { return a.count > b.count; });
  return summary;
}

std::string FormatLogText(const Reading &reading, const Summary &summary)
{
  std::string out;
  for (const Event &event : reading.events)
    out += event.text + "\n";

  out += "\n" + Plural(static_cast<int>(summary.runs.size()), "run", "runs") + ":\n";
  for (const Run &run : summary.runs)
    out += RunLine(run);

  out += "Program starts per entry:" + std::string(summary.entries.empty() ? " none\n" : "\n");
  for (const EntryCounts &entry : summary.entries)
    out += EntryLine(entry);

  out += "Passwords:" + std::string(summary.prompts.empty() ? " none asked\n" : "\n");
  for (const PromptCounts &p : summary.prompts)
    out += "  " + Text(p.prompt) + ": " + std::to_string(p.right) + " right, " +
           std::to_string(p.wrong) + " wrong, " + std::to_string(p.cancelled) + " cancelled, " +
           Plural(p.lockOuts, "lock-out", "lock-outs") + ", " + std::to_string(p.refusedLocked) +
           " refused while locked out" +
           (p.notValid > 0 ? ", " + std::to_string(p.notValid) + " with no valid password set"
                           : std::string()) +
           (p.notChecked > 0 ? ", " + std::to_string(p.notChecked) +
                                   " not checked (the device's cryptography failed)"
                             : std::string()) +
           "\n";

  out += "Idle returns home: " + std::to_string(summary.idleReturns);
  out += summary.idleFrom.empty() ? "\n" : " (from " + CountedList(summary.idleFrom) + ")\n";
  out += "Configurations left after a failure: " +
         (summary.leftByFailure.empty() ? std::string("none") : CountedList(summary.leftByFailure)) +
         "\n";

  out += "Configuration updates: " + std::to_string(summary.updatesApplied) + " applied, " +
         std::to_string(summary.updatesRejected) + " rejected" +
         (summary.rejectedFor.empty() ? "\n" : " (" + CountedList(summary.rejectedFor) + ")\n");

  out += "Messages shown:" + std::string(summary.messages.empty() ? " none\n" : "\n");
  for (const Counted &message : summary.messages)
    out += "  " + std::to_string(message.count) + "  \"" + Text(message.text) + "\" (" +
           Text(message.caption) + ")\n";

  for (const std::wstring &file : reading.files) {
    const Stop *stop = StopOf(reading, file);
    out += Text(file) + ": " + Plural(EventsOf(reading, file), "event", "events") +
           (stop == nullptr ? ", read to the end" : ", " + StopText(*stop)) + "\n";
  }
  for (const std::wstring &file : reading.unreadable)
    out += Text(file) + ": cannot be read\n";
  return out;
}

std::string FormatLogJson(const Reading &reading, const Summary &summary)
{
  std::string out = "{\n  \"files\": " + JsonFiles(reading) +
                    ",\n  \"unreadable\": " + JsonStrings(reading.unreadable) +
                    ",\n  \"events\": " + JsonEvents(reading) +
                    ",\n  \"runs\": " + JsonRuns(summary) +
                    ",\n  \"entries\": " + JsonEntries(summary) +
                    ",\n  \"passwords\": " + JsonPrompts(summary) +
                    ",\n  \"idleReturns\": {\"count\": " + std::to_string(summary.idleReturns) +
                    ", \"from\": " + JsonCounted(summary.idleFrom, "configuration", false) +
                    "},\n  \"leftAfterFailure\": " +
                    JsonCounted(summary.leftByFailure, "configuration", false) +
                    ",\n  \"messages\": " + JsonCounted(summary.messages, "text", true) +
                    ",\n  \"updates\": {\"applied\": " + std::to_string(summary.updatesApplied) +
                    ", \"rejected\": " + std::to_string(summary.updatesRejected) +
                    ", \"reasons\": " + JsonCounted(summary.rejectedFor, "reason", false) +
                    "}\n}\n";
  return out;
}

int LogExitCode(const Reading &reading)
{
  if (!reading.unreadable.empty() || reading.files.empty())
    return 3;
  return reading.stops.empty() ? 0 : 1;
}

}  // namespace eventlog
