#pragma once
// What the tests share: answering message boxes, the prefix's registry, processes.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace test {

struct Box {
  std::wstring caption;
  std::wstring text;
};

// Answers every platform message box (and top-level dialog) that this thread shows while
// it lives: records its caption and text and presses the next queued button (IDOK when
// the queue is empty; 0 presses none and leaves the box open). Only one may live at a time.
class BoxAnswerer {
public:
  BoxAnswerer();
  ~BoxAnswerer();
  void Answer(int button) { answers_.push_back(button); }
  const std::vector<Box> &Boxes() const { return boxes_; }
  size_t Count() const { return boxes_.size(); }
  void Clear() { boxes_.clear(); }
  std::wstring Captions() const;  // all captions, one per line, for failure messages

private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_;
  std::deque<int> answers_;
  std::vector<Box> boxes_;
  static BoxAnswerer *current_;
};

// The pixels of a bitmap as 32-bit values, top row first, with its size.
std::vector<DWORD> BitmapPixels(HBITMAP bitmap, int *width = nullptr, int *height = nullptr);

// Registry under a root key of the prefix.
void DeleteTree(HKEY root, const std::wstring &path);
bool KeyPresent(HKEY root, const std::wstring &path);
void SetString(HKEY root, const std::wstring &path, const std::wstring &name,
               const std::wstring &value);
void SetDword(HKEY root, const std::wstring &path, const std::wstring &name, DWORD value);
void SetMultiString(HKEY root, const std::wstring &path, const std::wstring &name,
                    const std::vector<std::wstring> &lines);
// A REG_SZ value stored without its terminator, as some tools write them.
void SetUnterminatedString(HKEY root, const std::wstring &path, const std::wstring &name,
                           const std::wstring &value);
bool GetString(HKEY root, const std::wstring &path, const std::wstring &name,
               std::wstring *value);
bool GetDword(HKEY root, const std::wstring &path, const std::wstring &name, DWORD *value);

// Removes both product keys and the shared settings keys, so every test starts clean.
void ClearLauncherRegistry();

// Dispatches this thread's messages for the given time.
void PumpMessages(DWORD milliseconds);

// Folder of the build (the programs and test programs), as a Windows path with a
// trailing backslash.
std::wstring BuildDir();
std::wstring SourceDir();
// Converts a Linux path to its Z: drive form.
std::wstring FromUnixPath(const std::string &path);

// Every key and value under a key, one line each, in the registry's order; "(none)" when
// the key is not there.
std::wstring RegistryDump(HKEY root, const std::wstring &path);
// The names of the files matching a pattern, each followed by a blank.
std::wstring FileNames(const std::wstring &pattern);

// Writes a file with the given bytes; creates nothing else.
void WriteFileBytes(const std::wstring &path, const std::string &bytes);
std::string ReadFileBytes(const std::wstring &path);

// Starts a program and waits for it. Returns false when it did not start or did not end
// in time (it is then killed). exitCode may be null.
bool RunProcess(const std::wstring &commandLine, DWORD timeoutMs, DWORD *exitCode,
                const std::wstring &environmentName = L"", const std::wstring &environmentValue = L"");

// A program started in the background, killed when the object dies if still running.
class ChildProcess {
public:
  ChildProcess() = default;
  ~ChildProcess();
  bool Start(const std::wstring &commandLine);
  // Waits for the end; false on time-out.
  bool Wait(DWORD timeoutMs, DWORD *exitCode = nullptr);
  // The same, dispatching this thread's messages meanwhile, so that the child can send
  // to this thread's windows.
  bool WaitPumping(DWORD timeoutMs, DWORD *exitCode = nullptr);
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_; }

private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Waits for a top-level window of the class owned by the process (0: any process).
HWND WaitForWindow(const wchar_t *className, DWORD processId, DWORD timeoutMs);
// Waits for a platform message box of another process, records it and presses button.
bool AnswerBoxOf(DWORD processId, DWORD timeoutMs, Box *box, int button = IDOK);
// Top-level windows of a class, visible or not.
int CountWindows(const wchar_t *className);

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
  ScopedEnv(const wchar_t *name, const wchar_t *value);
  ~ScopedEnv();

private:
  std::wstring name_;
  std::wstring old_;
  bool had_;
};

}  // namespace test
