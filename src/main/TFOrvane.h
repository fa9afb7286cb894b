#pragma once
// The main form: never shown; where the hook library's requests, the timers
// and a later start of the program arrive.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "hook/MemBlock.h"
#include "main/Ports.h"
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
};

class TFOrvane : public MainForm {
 public:
  TFOrvane(Ports& ports, FormHost& host);
  ~TFOrvane() override;
  TFOrvane(const TFOrvane&) = delete;
  TFOrvane& operator=(const TFOrvane&) = delete;

  // Life of the form.
  void FormCreate();
  void TimerInitialTimer();
  // The shutdown sequence. False while another event path is at work (a
  // close that arrived nested in it): the caller tries again a little later.
  bool FormCloseQuery();
  void SetMainMutex(KernelHandle mutex) { MainMutex = mutex; }
  void CloseMainMutex();

  // Messages.
  void WMCopyData(std::uintptr_t code, std::uintptr_t dwData);
  void TaskbarCreated();
  // The session ends: every hidden window comes back before programs are asked to close.
  bool QueryEndSession();
  void EndSession(bool ending);

  // Stores new settings and makes them the live ones: the tray icons are
  // rebuilt and the hook codes pushed. False when the registry refused them.
  bool SaveOptions(const TOptionsRecord& options);

  // Hiding.
  void InsertIcon(bool startHideTimer);
  void TimerHideTimer();
  void TimerOthersTimer();
  void TimerExplorerTimer();
  void ToggleTrayClass(Hwnd app);
  void SyncAppMenuItems(Hwnd appWnd);
  void CloseMinimizedWindows();

  // MainForm.
  void InsertIconAndHide(Hwnd wnd) override;
  void UserCloseWindow(Hwnd wnd, bool confirm) override;
  bool& Busy() override { return busy_; }
  Hwnd MainWindowHandle() override { return host_.Handle(); }
  void Exit() override { host_.Close(); }

  // State, as tests and the window procedure read it.
  bool RequestMissed = false;
  Hwnd CurrentWindow;
  TMemBlock* MemBlock = nullptr;
  KernelHandle MainMutex = 0;
  std::unique_ptr<TListTrayIcon> TrayList;
  std::unique_ptr<TrayMenus> Menus;
  Timer TimerHide;
  Timer TimerInitial;
  Timer TimerOthers;
  Timer TimerExplorer;
  bool Closed() const { return closed_; }

 private:
  void Shutdown();
  void MapMemBlock();
  void UnmapMemBlock();
  std::string ClassKeyOf(Hwnd wnd);
  std::string BlockClassKey() const;
  bool IsOwnWindow(Hwnd wnd);
  bool MayHide(Hwnd wnd);
  void HideListed(Hwnd wnd);
  void AddMenuItemIfMissing(Hwnd wnd);
  void Request46();
  void Request48();
  void Request49();
  void Request50();
  void Request56(bool& keepBusy);

  Ports& ports_;
  Desktop& desktop_;
  FormHost& host_;
  bool busy_ = false;
  bool closed_ = false;
  bool closeRequested_ = false;  // request 56 asked to close; Busy is kept for it
};

}  // namespace velmora
