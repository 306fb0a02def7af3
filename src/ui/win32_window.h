// The main window as a native Win32 window with standard controls (STATIC,
// BUTTON, COMBOBOX), so keyboard navigation, screen readers and UI
// automation see each control as what it is.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/beside_thread.h"
#include "platform/win32_newer_api.h"
#include "platform/win32_owned.h"
#include "window/layout.h"
#include "window/main_window.h"

namespace vz {

struct WindowTimer;  // window_messages.h

// Its member functions are defined by job, one file each; the private
// section below names the file of each group.
class Win32Window : public MainWindow {
 public:
  struct Options {
    // What EndProgram does after the window is gone; by default the
    // process ends at once. Tests that drive the window in-process replace
    // it.
    std::function<void()> onEnd;
    // Post WM_QUIT when the window is destroyed (the program's own loop).
    bool quitOnDestroy = true;
    // The newer Windows functions the window may use; tests pass
    // &NewerApi::Windows7() to see it as Windows 7 draws it.
    const NewerApi* api = &NewerApi::OfThisWindows();
  };

  Win32Window(HINSTANCE instance, WindowEvents& events, Options options);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Creates the window hidden, its controls in their design state. False when the window could not
  // be created; createError() then holds the system's error number.
  bool Create();
  std::uint32_t createError() const { return createError_; }

  HWND hwnd() const { return hwnd_; }
  HWND Handle(Control c) const;
  int dpi() const { return dpi_; }

  // The program's message loop; returns the exit code of WM_QUIT.
  int RunMessageLoop();

  // MainWindow (run_view.cpp, unless named otherwise)
  void ShowCaptions(const Captions& captions) override;
  bool ShowFlag(const std::wstring& path) override;
  void ShowLanguages(const std::vector<std::wstring>& entries) override;
  void ShowLanguage(const std::wstring& name) override;
  std::wstring LanguageText() override;
  std::wstring PortText() override;
  void ShowPortText(const std::wstring& text) override;
  void ShowPortValid(bool valid) override;
  void ShowPorts(const std::vector<PortListing>& ports) override;  // combo_lists.cpp
  bool PortListOpen() override;
  void ShowStartOffered() override;
  void ShowStartHeld() override;
  void ShowRunStarting() override;
  void ShowProgress(int steps, int stepsToFill) override;
  void ShowBusy(bool busy) override;
  void ShowRunStatus(const std::wstring& line1, const std::wstring& line2) override;
  void ShowIdleStatus(const std::wstring& line1, const std::wstring& line2) override;
  void DrawAttention() override;
  void Show() override;
  // taskbar_and_session.cpp
  void ShowOnTaskbar(TaskbarState state, int steps, int stepsToFill) override;
  void HoldOffShutdownAndSleep(const std::wstring& reason) override;
  void AllowShutdownAndSleep() override;
  // message_boxes.cpp
  MessageAnswer ShowMessage(const std::wstring& text, MessageKind kind) override;
  void PostMessageBox(const std::wstring& text, MessageKind kind) override;
  // win32_window.cpp
  void PumpEvents() override;
  void EndProgram() override;
  // window_timers.cpp
  void SetUpgradeTimer(bool enabled) override;
  void SetDeviceSettleTimer(bool enabled) override;
  // background_job.cpp
  void RunInBackground(std::function<void()> work, std::function<void(MainWindow&)> done) override;
  bool AwaitBackgroundWork(std::uint32_t limitMs) override;

 private:
  static constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::ExitButton) + 1;

  struct Item {
    HWND hwnd = nullptr;
    const layout::ControlDesign* design = nullptr;
    float widthTwips = 0;  // current width; the design width until changed
    std::wstring text;     // caption as the logic set it
  };

  // ---- The window and its dispatch (win32_window.cpp) ----
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static bool RegisterClasses(HINSTANCE instance);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(int id, int code);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnDestroy();
  // Translates and dispatches one queued message (dialog keys included).
  void Dispatch(MSG& msg);

  // ---- Controls, layout and fonts (window_controls.cpp) ----
  void CreateControls();
  void ApplyLayout();  // positions, sizes and fonts at the current DPI
  HFONT FontFor(const layout::Font& f);
  Item& At(Control c) { return items_[static_cast<std::size_t>(c)]; }
  int Px(double twips) const { return layout::TwipsToPixels(twips, dpi_); }

  // ---- One control at a time (control_texts.cpp, combo_lists.cpp,
  // window_controls.cpp, window_pictures.cpp), in twips and colours ----
  struct SizeInTwips {
    float width = 0;
    float height = 0;
  };
  void SetText(Control c, const std::wstring& text);
  std::wstring Text(Control c);
  void SetVisible(Control c, bool visible);
  void SetEnabled(Control c, bool enabled);
  void SetBackColor(Control c, std::uint32_t color);
  void ClearItems(Control c);
  void AddItem(Control c, const std::wstring& text);
  std::vector<std::wstring> Items(Control c);
  void InsertItem(Control c, std::size_t index, const std::wstring& text);
  void RemoveItem(Control c, std::size_t index);
  bool IsDroppedDown(Control c);
  bool LoadPicture(Control c, const std::wstring& path);
  float Width(Control c);
  void SetWidth(Control c, float twips);
  void Repaint(Control c);
  SizeInTwips OuterSize();
  SizeInTwips ScreenSize();
  void SetTop(int twips);
  void SetLeft(int twips);
  void ShowBusyPointer(bool busy);
  // A status line, in the largest status font that shows it whole.
  void ShowStatusLine(Control c, const std::wstring& text);
  // The idle lines in the status lines; an empty one is hidden.
  void ShowIdleLines();

  // ---- Captions and colours (control_texts.cpp) ----
  const Item* FindByHwnd(HWND h) const;
  LRESULT OnControlColor(HDC dc, HWND control, UINT msg);

  // ---- Combo-box entries and list texts (combo_lists.cpp) ----
  // Sets a list's text, or keeps it for later while the list reports a
  // choice.
  void SetListText(Control c, const std::wstring& text);
  // Sets the text a list was given while it reported a choice.
  void SetDeferredText(Control c);
  // Tells the logic of the entry chosen in a list.
  void ReportListChoice(Control c);
  // Makes a combo box's dropped list wide enough for this entry.
  void WidenDroppedList(HWND combo, const std::wstring& entry);
  // The port list's column of names, after its widest entry, and its
  // dropped list as wide as its widest row.
  void FitPortColumns();
  // One row of the port list: its entry, and its device's name beside it.
  void DrawPortRow(const DRAWITEMSTRUCT& row);

  // ---- Pictures at the DPI (window_pictures.cpp) ----
  // The pictures at the current DPI: those of the resources loaded again,
  // those of files scaled again from the file's picture.
  void ShowPicturesAtDpi();
  void SetupExitPicture();
  // A file's picture at the current DPI; none at 96 DPI, where the file's
  // picture itself is shown.
  BitmapHandle FilePictureAtDpi(HBITMAP original) const;
  void SetPictureBitmap(HWND image, HBITMAP bitmap);

  // ---- Message boxes (message_boxes.cpp) ----
  void ShowPostedMessage();

  // ---- Device broadcasts (device_broadcasts.cpp) ----
  void OnDeviceChange(WPARAM event, LPARAM data);

  // ---- The background job (background_job.cpp) ----
  void OnBackgroundJobDone();

  // ---- Outside the window (taskbar_and_session.cpp) ----
  LRESULT OnSessionMessage(UINT msg, WPARAM wp);
  void OnTaskbarButtonCreated();
  void ApplyTaskbarState();

  // ---- Focus (focus.cpp) ----
  // The keyboard focus, kept while the window is inactive (a message box
  // is open, another program in front) and given back on its return, as a
  // dialog does; the first control of the tab order when none was kept.
  // True when the activation is handled.
  bool OnActivate(WPARAM wp);
  void SaveFocus();
  bool RestoreFocus();
  HWND FirstTabStop() const;

  // ---- Timers (window_timers.cpp) ----
  // The one place a timer of the window is switched on or off.
  void SwitchTimer(const WindowTimer& timer, bool on);
  void OnTimer(UINT_PTR id);
  void OnUpgradeTick();

  HINSTANCE instance_;
  WindowEvents& events_;
  Options options_;
  HWND hwnd_ = nullptr;
  int dpi_ = layout::kDesignDpi;
  std::uint32_t createError_ = 0;
  bool busy_ = false;
  std::array<Item, kControlCount> items_{};
  // One font per distinct face, size and weight, at the current DPI.
  struct FontEntry {
    const layout::Font* font;
    FontHandle handle;
  };
  std::vector<FontEntry> fonts_;
  BrushHandle whiteBrush_;
  BrushHandle portBrush_;
  std::uint32_t portColor_ = layout::kWhite;
  HWND portEdit_ = nullptr;  // the port list's text field
  // The device name of each port list entry, and where the names start in
  // a row, in pixels.
  std::vector<PortListing> portRows_;
  int portNameColumn_ = 0;
  // The status lines' texts while no run is shown.
  std::wstring idleLine1_, idleLine2_;
  // The list whose choice is being reported to the logic, and texts set on
  // a list meanwhile, set once the report is done.
  std::optional<Control> listReportingChoice_;
  std::array<std::optional<std::wstring>, kControlCount> deferredTexts_;
  // The bitmap each picture control shows, at the current DPI; for a
  // picture of a file at 96 DPI none: the file's picture is shown as it is.
  std::array<BitmapHandle, kControlCount> pictures_;
  // The pictures of files (the flag) as decoded, at their natural size.
  std::array<BitmapHandle, kControlCount> filePictures_;
  ImageListHandle exitImages_;
  struct PostedMessage {
    std::wstring text;
    MessageKind kind;
  };
  std::deque<PostedMessage> posted_;
  int openBoxes_ = 0;  // message boxes of this window now open
  // The background job in flight: its worker thread, and what runs on the
  // window's thread once the worker is done.
  std::unique_ptr<BesideThread> job_;
  std::shared_ptr<ScopedHandle> jobEnded_;  // set by the worker as its last act
  std::function<void(MainWindow&)> jobDone_;
  HWND savedFocus_ = nullptr;
  // The taskbar button, once Explorer has made it, and the state asked for.
  UINT taskbarButtonCreated_ = 0;
  ComPtr<ITaskbarList3> taskbar_;
  TaskbarState taskbarState_ = TaskbarState::None;
  int taskbarSteps_ = 0;
  int taskbarStepsToFill_ = 1;
  // Shutdown, logoff and sleep are held off for a run.
  bool pcHeld_ = false;
  // A run was shown starting: offering the start again brings the buttons
  // back.
  bool runShown_ = false;
  bool timerOn_ = false;
  bool inTick_ = false;
};

// Tells the technician that the program cannot start: an error box with
// the application's title and `reason`, shown without a window of ours.
// Returns the program's exit code, 1.
int ReportStartupFailure(const std::wstring& reason);

}  // namespace vz
