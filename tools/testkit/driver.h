// Drives the shipped program from outside (end-to-end tests, the demo), as a technician would: a
// staged folder, the process started, its window found, controls read and clicked, message boxes
// read and answered.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "messages/message_table.h"
#include "platform/win32_owned.h"
#include "testkit/temp_dir.h"
#include "testkit/wait.h"
#include "window/controls.h"
#include "window/main_window.h"

namespace vz::e2e {

// The testkit's helpers, as the end-to-end tests and the demo name them.
using test::NoChangeWithin;
using test::WaitUntil;

// A copy of the staged template folder (program, message files, flags,
// model.ini, sample image, simulated uploader) under a fresh directory.
class StagedFolder {
 public:
  // `subdir` may hold blanks or letters outside ASCII.
  explicit StagedFolder(const std::wstring& subdir = L"stage");
  // Stops the test program when a process of the folder still runs.
  ~StagedFolder();
  const std::wstring& path() const { return path_; }  // with a backslash
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }
  void Write(const std::wstring& name, const std::string& bytes) const;
  std::optional<std::string> Read(const std::wstring& name) const;
  // The texts a message file of this folder gives, read as the program
  // reads it (by its mark, else the ANSI code page).
  MessageTable Texts(const std::wstring& messageFile) const;
  bool Has(const std::wstring& name) const;
  void Remove(const std::wstring& name) const;

 private:
  test::TempDir root_{L"vz-e2e"};
  std::wstring path_;
};

struct MessageBoxSeen {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
};

// The visible message box of process `pid`, if one is open right now.
std::optional<MessageBoxSeen> FindMessageBox(DWORD pid);

// The program under test and its family: the program, the uploader it
// launches and the uploader's helper. When the test is done, whatever its
// outcome, all of them end, so no leftover can disturb a later test.
//
// The program runs in a job object that ends it even when the test program
// itself dies. Under Wine 8 the processes it starts do not stay in the job,
// so a watcher also follows the process tree from the program down (every
// 50 ms, so that a helper whose parent has already gone is still known),
// taking in only programs of the test's folder, and the end of the test ends
// what it found. The scripts keep Wine's desktop open for the whole run
// (winwait --hold-desktop), so that its process is never a test's child.
class Program {
 public:
  // The program lying in `folder` (ending with a backslash).
  explicit Program(std::wstring folder);
  ~Program();  // ends every process of the job that still runs
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Start();
  // Ends every process of the family and waits until they are gone; false
  // when one still ran after `timeoutMs`.
  bool EndAll(DWORD timeoutMs = 10000);
  // Process IDs of the family's processes that run now: the program,
  // whatever it started, and what those started; nullopt when the system
  // gave no process list.
  std::optional<std::vector<DWORD>> Family();
  // True while a process of the family with this executable name (ASCII)
  // runs, never one of another test or another program on the machine.
  // Throws std::runtime_error when the system gave no process list: an
  // unknown list is neither "runs" nor "ended".
  bool Runs(const char* exeName);
  bool UploaderRunning() { return Runs("Up_Loader.exe"); }
  // Waits for the main window; false on time-out.
  bool WaitForWindow(DWORD timeoutMs = 15000);
  bool WaitForExit(DWORD timeoutMs);
  bool Running() const;
  DWORD ExitCode() const;
  DWORD pid() const { return pid_; }

  HWND window() const { return window_; }
  HWND Handle(Control c) const;
  std::wstring Text(Control c) const;
  bool Visible(Control c) const;
  bool IsEnabled(Control c) const { return IsWindowEnabled(Handle(c)) != FALSE; }
  RECT ScreenRect(Control c) const;
  std::vector<std::wstring> Items(Control c) const;
  // Presses a button the way a click does, without moving the mouse.
  void Press(Control c) const;

  // Real mouse input at screen coordinates.
  static void ClickAt(int x, int y);
  // Opens a combo box's list with a real click on its arrow and clicks the
  // entry with this text. True once the program has taken the click: the
  // list closed on the entry, or the program answered with a message box.
  bool ChooseWithMouse(Control combo, const std::wstring& entry);
  // Chooses an entry the way the list reports a choice to the window,
  // without the mouse.
  void Choose(Control combo, const std::wstring& entry);

  // The program's message box, once it appears (nullopt on time-out).
  std::optional<MessageBoxSeen> WaitForMessageBox(DWORD timeoutMs);
  // True when no message box of the program appears within `ms`.
  bool NoMessageBoxWithin(DWORD ms);
  // Waits until every listed control shows the listed visibility at once.
  struct Shown {
    Control control;
    bool visible;
  };
  bool WaitForShown(std::initializer_list<Shown> expected, DWORD timeoutMs);
  // Answers a message box with IDOK, IDYES or IDNO and waits until it has
  // closed, so that the next box seen is a new one; false if it stayed.
  static bool Answer(const MessageBoxSeen& box, int button);

 private:
  // Adds to the family every running process whose parent belongs to it;
  // returns the family's processes that run now, with their names (nullopt
  // without a process list).
  std::optional<std::vector<std::pair<DWORD, std::wstring>>> TrackFamily();
  void StopWatching();

  std::wstring folder_;
  ScopedHandle job_;
  ScopedHandle process_;
  DWORD pid_ = 0;
  std::mutex familyMutex_;
  std::vector<DWORD> family_;  // every process ID ever seen in the family
  std::thread watcher_;
  ScopedHandle stopWatching_;  // event: the watcher ends
  HWND window_ = nullptr;
};

// The template folder beside the running test program.
std::wstring TemplateDir();

// ---- Keyboard ---------------------------------------------------------------
// Real key strokes (SendInput), as a technician types them: they go to the
// control that has the focus in the foreground window.

// Brings the program's window to the front and gives `c` the keyboard focus
// (a combo box's text field for a combo box), as a click into it would;
// false when it did not take the focus.
bool FocusControl(const Program& program, Control c);
// The control of the program's window that has the keyboard focus now.
HWND FocusedControl(const Program& program);
// Types the text key by key, with Shift where a character needs it.
void TypeText(const std::wstring& text);
// Presses and releases one key, e.g. VK_TAB or VK_RETURN.
void PressKey(WORD key);

}  // namespace vz::e2e
