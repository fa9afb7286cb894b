#pragma once
// The main form: never shown; where the hook library's requests, the timers
// and a later start of the program arrive.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hook/MemBlock.h"
#include "tray/HookSections.h"
#include "main/CommandLine.h"
#include "options/TAboutForm.h"
#include "platform/EventPaths.h"
#include "platform/Ports.h"
#include "platform/Timer.h"
#include "tray/TListTrayIcon.h"
#include "tray/TrayMenus.h"

namespace velmora {

// The framework side of the main form: its window and its closing.
class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual Hwnd Handle() = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  // Closes the main form later, from the message loop; the close runs FormCloseQuery.
  virtual void Close() = 0;
  // The program is ending: the open menu is ended, and every open dialog box
  // (message boxes, the change-hotkey dialog) is answered as cancelled.
  virtual void EndModalLoops() = 0;
};

class TFOrvane : public MainForm, public OptionsHost {
 public:
  TFOrvane(Ports& ports, FormHost& host);
  ~TFOrvane() override;
  TFOrvane(const TFOrvane&) = delete;
  TFOrvane& operator=(const TFOrvane&) = delete;

  // Life of the form.
  void FormCreate();
  void TimerInitialTimer();
  // The shutdown sequence; never refused. False while another event path is at
  // work (a close nested in its menu or dialog): that loop is ended, and the
  // caller asks again a little later.
  bool FormCloseQuery();
  void SetMainMutex(KernelObject mutex) { MainMutex = std::move(mutex); }
  void CloseMainMutex();

  // Messages. payload: the request's COPYDATASTRUCT.lpData, cbData bytes
  // (any size, any content: only a whole TRequestPayload is read).
  void WMCopyData(std::uintptr_t code, std::uintptr_t dwData, const void* payload = nullptr,
                  std::size_t payloadSize = 0);
  // The library's WindowChangedMessage and the shell hook's message; false for any other.
  bool WindowMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  // The taskbar was made again, or the display's DPI or size changed: the icons are made again a second later.
  void TaskbarCreated();
  // The session ends: every hidden window comes back before programs are asked to close.
  bool QueryEndSession();
  // closeApp: the Restart Manager closes Velmora alone (ENDSESSION_CLOSEAPP); the session goes on.
  void EndSession(bool ending, bool closeApp = false);

  // Global hotkeys: identifiers 1..6 (0 unused), their atoms named as the
  // system knows them; hotkey 6 has no atom and identifier 0.
  struct TMyHotkey {
    std::int32_t Id = 0;
    std::string Name;
  };
  std::array<TMyHotkey, HotkeyCount + 1> HotkeyIds;
  void RegisterHotkeys();
  void ShowHotkeyUnavailable(const std::string& text);
  void WMHotKey(std::uintptr_t id);

  // Stores new settings and makes them the live ones: the tray icons are
  // rebuilt and the hook codes pushed. False when the registry refused them.
  bool SaveOptions(const TOptionsRecord& options) override;

  // Hiding.
  void InsertIcon(bool startHideTimer);
  void TimerHideTimer();
  void TimerOthersTimer();
  void TimerExplorerTimer();
  void ToggleTrayClass(Hwnd app);
  void SyncAppMenuItems(Hwnd appWnd);
  // Closes the minimized windows the user knows of: on the taskbar, or hidden by Velmora.
  void CloseMinimizedWindows();
  // The question of hotkey 5, then the close.
  void AskAndCloseMinimized();

  // Sends any window to the tray, shown or minimized (a command, a rule).
  void SendToTray(Hwnd wnd);

  // A command of the command line as the channel hands it over (EncodeArguments),
  // read again here. reply gets its exit code once, also when the command never
  // runs; wanted, asked when its turn comes: false, its sender gave up waiting.
  void RunCommand(std::string_view message, std::function<void(int, std::string)> reply,
                  std::function<bool()> wanted = {});

  // MainForm.
  void InsertIconAndHide(Hwnd wnd) override;
  void UserCloseWindow(Hwnd wnd, bool confirm) override;
  EventPaths& Paths() override { return paths_; }
  Hwnd MainWindowHandle() override { return host_.Handle(); }
  void Exit() override { host_.Close(); }
  void Velmora1Click() override;
  HeldWindows& Held() override { return held_; }

  // The options dialog, made once at start after the main form.
  void SetAboutForm(TAboutForm* form) { AboutForm = form; }
  TAboutForm* AboutForm = nullptr;

  // OptionsHost.
  TOptionsRecord& LiveOptions() override { return TrayList ? TrayList->Options : startOptions_; }
  bool RegisterHotkey(int number, std::uint8_t modifiers, std::uint16_t key) override;
  void UnregisterHotkey(int number) override;
  std::string AppPath() override { return TrayList ? TrayList->AppPath : std::string(); }
  // The marks page (MarksHost.cpp).
  std::vector<ClassRecord> Marks() override;
  void StoreMarks(const std::vector<ClassRecord>& shown, const std::vector<ClassRecord>& edited) override;
  std::vector<OpenWindow> OpenWindows() override;
  bool AttentionBalloon() override { return TrayList && TrayList->AttentionBalloon; }
  void SetAttentionBalloon(bool on) override {
    if (TrayList && on != TrayList->AttentionBalloon) TrayList->SaveAttentionBalloon(on);
  }

  // State, as tests and the window procedure read it.
  bool RequestMissed = false;
  Hwnd CurrentWindow;
  // The sections the hook library reads, one pair per level served.
  const HookSections& Sections() const { return sections_; }
  KernelObject MainMutex;
  std::unique_ptr<TListTrayIcon> TrayList;
  std::unique_ptr<TrayMenus> Menus;
  Timer TimerHide;
  Timer TimerInitial;
  Timer TimerOthers;
  Timer TimerExplorer;
  bool Closed() const { return closed_; }
  // Windows whose hide is due at the next tick of TimerHide.
  std::size_t PendingHides() const { return pendingHides_.size(); }

 private:
  // One request as it arrived: the window and its own copy of the library's data.
  struct HookRequest {
    std::uintptr_t code = 0;
    Hwnd wnd;
    std::uint32_t appWindow = 0;
    std::uint32_t flags = 0;
    std::uint32_t level = 0;  // the sender's, as its secret shows
  };
  struct PendingHide {
    Hwnd wnd;
    std::uint64_t since = 0;
  };
  enum class HideResult { Done, NotYet };

  // The request carries the secret of a block Velmora serves, and names no window above its sender's level.
  bool Admitted(HookRequest& request, const void* payload, std::size_t payloadSize);
  void HandleRequest(const HookRequest& request);
  void MakeHotkeyIds();
  void UnregisterHotkeys();
  void RunHotkey(std::size_t number);
  void MinimizeForeground();
  HideResult HideListed(Hwnd wnd, bool justMinimized);
  void HidePending();
  void Sweep();
  // Starts the 32-bit helper again when it ended from outside, three times a minute at most.
  void KeepHookHelper();
  void AdoptMarkedWindows();
  // A window hidden by a Velmora is held again now (Hidden), or left until its program answers (Waiting).
  HeldWindows::Found AdoptIfStillHidden(Hwnd wnd);
  // The sweep's look at one window it does not list: taken back, or taken by the rules when minimized.
  void LookAt(Hwnd wnd);
  // Minimized, it goes to the tray: marked, or a console, Excel or Word window with its option on.
  bool TakenWhenMinimized(Hwnd wnd);
  void ProgramAnswered(Hwnd wnd, std::uint32_t token);
  void ShowListedWindowsNow();
  // No request comes in from here on, from programs of either bitness.
  void Unhook();
  void Shutdown();
  // The key a window is marked under, read from the window itself; "" when it cannot be told.
  std::string ClassKeyOf(Hwnd wnd);
  bool IsMarkedWindow(Hwnd wnd);
  bool IsOwnWindow(Hwnd wnd);
  bool MayHide(Hwnd wnd);
  void AddMenuItemIfMissing(Hwnd wnd);
  bool IsMarkedNow(Hwnd wnd);
  void Request46(bool triggered);
  void Request58();
  void Request48();
  void Request49();
  void Request50();
  void Request56();
  int CarryOut(const Command& command);
  // What /list prints: a line per hidden window, then a line per mark.
  std::string ListText();

  Ports& ports_;
  Desktop& desktop_;
  FormHost& host_;
  const TextTable& texts_;  // of the user's UI language
  EventPaths paths_;
  HeldWindows held_;
  HookSections sections_;
  // The window the minimize hotkey just sent to the tray: its minimize is the pending one.
  Hwnd pendingWindow_;
  TOptionsRecord startOptions_;  // the live record before the list exists
  std::vector<PendingHide> pendingHides_;
  bool closed_ = false;
  bool closeRequested_ = false;  // asked to close: nothing more is taken in
  std::uint32_t shellHookMessage_ = 0;  // "SHELLHOOK", once the hooks are set
  bool helperStarted_ = false;   // the 32-bit helper was started and is looked after
  std::vector<std::uint64_t> helperStarts_;  // restarts of the helper within the last minute
};

}  // namespace velmora
