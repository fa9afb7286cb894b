#pragma once
// The hidden-window list: the windows Velmora has hidden, their tray icons,
// the marked window classes and the application links.
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foreign/HeldWindows.h"
#include "hook/MarkTable.h"
#include "tray/MarkRules.h"
#include "tray/HookSections.h"
#include "platform/EventPaths.h"
#include "platform/Ports.h"
#include "settings/OptionsRecord.h"
#include "text/Texts.h"
#include "tray/TrayIcon.h"

namespace velmora {

// What the list needs of the main form.
class MainForm {
 public:
  virtual ~MainForm() = default;
  // CurrentWindow := wnd, InsertIcon without the hide timer, and hide the
  // window at once when it made it into the list.
  virtual void InsertIconAndHide(Hwnd wnd) = 0;
  virtual void UserCloseWindow(Hwnd wnd, bool confirm) = 0;
  // The `Busy` guard shared by every event path.
  virtual EventPaths& Paths() = 0;
  // The main window, which owns the popup menus.
  virtual Hwnd MainWindowHandle() = 0;
  // The Exit item: closes the program, which restores every hidden window.
  virtual void Exit() = 0;
  // The Options item ("配置") and the options hotkey.
  virtual void Velmora1Click() = 0;
  // The one owner of the held windows' marks.
  virtual HeldWindows& Held() = 0;
};

// A list menu's mode: what choosing a window in it does.
enum class MenuMode { Restore, Close };

// The menus of hidden windows, shown from the tray icons.
class ListMenus {
 public:
  virtual ~ListMenus() = default;
  // Every listed window of a group ("" = no group) in the given mode. Both
  // menus answer whether the user chose an item; fromKeyboard: opened by a key.
  virtual bool ShowListMenu(const std::string& group, MenuMode mode, bool fromHotkey, bool fromKeyboard) = 0;
  // The menu of one hidden window, popped up at the cursor.
  virtual bool ShowWindowMenu(Hwnd wnd, bool fromKeyboard) = 0;
};

class TListTrayIcon {
 public:
  TListTrayIcon(Ports& ports, MainForm& form, HookSections* sections);
  ~TListTrayIcon();
  TListTrayIcon(const TListTrayIcon&) = delete;
  TListTrayIcon& operator=(const TListTrayIcon&) = delete;

  void SetListMenus(ListMenus* menus) { menus_ = menus; }

  // Lookups.
  TTrayIcon* FindEntry(Hwnd wnd, std::size_t* index = nullptr) const;
  std::size_t Count() const { return Entries.size(); }
  std::size_t InactiveCount() const;
  std::size_t GroupCount(std::string_view className) const;
  Hwnd FindOutlookBrowser() const;
  void PrepareEntry(TTrayIcon& entry);
  // The windows of the list in order of hiding: loops that call other programs
  // walk these and find each entry again.
  std::vector<Hwnd> Windows() const;
  std::vector<Hwnd> LastToFirstWindows() const;

  // Application links.
  bool AddApp(Hwnd appWnd, std::string_view className);
  bool HasApp(Hwnd appWnd) const;
  Hwnd GetAppWindow(Hwnd appWnd, bool second) const;
  int AttachAppWindow(Hwnd appWnd, Hwnd wnd);
  void DetachAppWindow(Hwnd appWnd, Hwnd wnd);
  std::string GetAppClass(Hwnd appWnd) const;

  // Hiding, restoring and closing.
  bool AddEntry(std::unique_ptr<TTrayIcon> entry);
  void RemoveEntry(TTrayIcon* entry, std::size_t index);
  // A listed window, or one asked back or waiting for its program: its restore is
  // queued for its program. False for a window Velmora does not hold.
  bool RestoreWindow(Hwnd wnd);
  bool ForceForegroundWindow(Hwnd wnd);
  // The enabled dialog a disabled window waits on; the window itself when none.
  Hwnd ModalDialogOf(Hwnd wnd);
  void RestoreAll();
  void CloseAll();
  void CheckWindows();
  // Shows every listed window without touching the list: for a session that
  // ends while another event path is at work.
  void ShowListedWindows();

  // Tray icons.
  bool UpdateSharedIcon(bool adding, bool force, bool inactiveOnly);
  bool UpdateGroupIcon(bool adding, bool create, std::uint16_t count, Hicon baseIcon, const std::string& group);
  Hicon DrawCountIcon(Hicon prevIcon, std::uint16_t count, Hicon baseIcon);
  void InactiveTimerTimer(Hwnd wnd);
  void ApplySettings(const TOptionsRecord& newOptions);
  // The program's own icons, at the size the tray shows now.
  void LoadIcons();
  std::optional<std::intptr_t> TrayWndProc(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

  // The live tray (LiveTray.cpp). The library reports a held window's new
  // title or icon: it is read again at the next tick, and once more after the
  // library's 100 ms, which hides changes that follow closely.
  void WindowChanged(Hwnd wnd);
  // The shell says a window flashes: a held one asks for attention until it leaves the list.
  void Flash(Hwnd wnd);
  // The marks drawn again, at the tray's size now.
  void RedrawMarks();
  // A tip with the attention text at its end, the tip cut to leave it room.
  std::string AttentionTipOf(std::string_view tip, bool asks) const;
  // True when an entry that pred selects asks for attention.
  bool AnyAsks(const std::function<bool(const TTrayIcon&)>& pred) const;
  // The balloon option, stored beside the settings record.
  bool AttentionBalloon = false;
  void LoadAttentionBalloon();
  bool SaveAttentionBalloon(bool on);

  // Marked window classes.
  bool HasClass(std::string_view name) const;
  // A window of that class key and class name is marked.
  bool IsMarked(std::string_view key, std::string_view cls) const;
  void AddClass(const std::string& name);
  void RemoveClass(const std::string& name);
  void LoadClassFile();
  bool SaveClassFile();
  std::string ClassFilePath() const;
  // Rules of a mark (MarkRule bits; 0 when it carries none or is no mark).
  std::uint8_t RulesOf(std::string_view mark) const;
  // Marks (when not yet marked) with these rules, stored at once.
  void SetRules(const std::string& mark, std::uint8_t rules);
  // The rules of the mark that takes a window of this key and class name.
  std::uint8_t RulesFor(std::string_view key, std::string_view cls) const;
  // "Run hidden": the first window this process opens goes to the tray.
  // False when the process cannot be told from a later one of the same id: it is not watched.
  bool WatchFirstWindow(std::uint32_t pid);
  // True once for a watched process: its first window has opened.
  bool TakeWatched(std::uint32_t pid);
  // A process with that id ended: a watch of it goes.
  void WatchedProcessEnded(std::uint32_t pid);

  // State, as the rest of the program reads it.
  std::vector<std::unique_ptr<TTrayIcon>> Entries;
  Hwnd TrayWnd;
  std::vector<std::string> Classes;  // sorted, case-insensitive
  std::vector<std::unique_ptr<DelphiApp>> Apps;
  bool Loading = false;
  std::string AppPath;  // with a trailing backslash
  std::array<Hicon, 12> Icons{};  // 1..9 "S1".."S9", 10 "MAINICON", 11 "SH"
  std::array<TInstanceRecord, GroupSlots + 1> Groups{};  // 1..127; 0 unused
  TOptionsRecord Options;
  const TextTable& Texts;  // of the user's UI language

 private:
  NotifyIconData OwnData(const TTrayIcon& entry) const;
  NotifyIconData SharedIconData(bool inactiveOnly, std::size_t count, OwnedIcon& marked);
  void RefreshTick();
  void RefreshEntry(Hwnd wnd, bool readIcon);
  // The icon that shows a window: the shared one, its group's or its own, with its tray id.
  struct ShownOn {
    enum Kind { Shared, Group, Own } kind;
    std::uint32_t id;
  };
  ShownOn IconShowing(const TTrayIcon& entry) const;
  void ShowAttention(Hwnd wnd);
  void ShowBalloon(Hwnd wnd, const std::string& title);
  void BalloonClicked(std::uint32_t id);
  struct Refresh {
    std::uint64_t first = 0;  // due: the next tick; 0 once read
    std::uint64_t last = 0;   // the read after the library's quiet time
  };
  std::map<std::uint32_t, Refresh> refreshes_;  // by tray id; listed windows only
  std::unique_ptr<velmora::Timer> refreshTimer_;
  OwnedIcon sharedMarked_;
  std::unordered_map<std::uint32_t, Hwnd> balloonFor_;  // the window each icon's last balloon names

  bool ShowNewEntry(Hwnd wnd);
  void TakeOutOfTray(std::unique_ptr<TTrayIcon> entry);
  bool AddOwnIcon(Hwnd wnd);
  void DeleteOwnIcon(Hwnd wnd);
  void ModifyOwnIcon(Hwnd wnd);
  void ArmInactiveTimer(Hwnd wnd, std::uint32_t ms);
  void InactiveTimerPath(Hwnd wnd);
  void ClickPath(std::uint32_t id, std::uint32_t event, bool fromKeyboard);
  // Every NIM_ADD is followed by NIM_SETVERSION here, so that none is missed.
  bool NotifyIcon(std::uint32_t message, const NotifyIconData& data);
  std::size_t SlotOf(const std::string& group) const;  // 0: the group has no icon
  void RemoveGroupIcons();  // every group icon deleted, every slot freed
  NotifyIconData SharedData(std::uint32_t id, std::size_t count) const;
  void GiveButtonBack(Hwnd wnd);

 public:
  // Every listed window whose icon the shell refused goes back on the taskbar,
  // minimized, and leaves the list: no icon, no hiding.
  void BringBackUnreachable();

 private:
  DelphiApp* FindApp(Hwnd appWnd) const;
  void InsertClassSorted(const std::string& name);
  void PublishMarks();
  bool AnyMarkTakes(const std::string& key, const std::string& cls) const;
  // Every window the test says is marked gets the item checked and, when minimized, goes to the tray.
  void TakeMarkedWindows(const std::function<bool(const std::string& key, const std::string& cls)>& marked);
  std::unordered_map<std::string, std::uint8_t> rules_;  // by the mark as Classes spells it; none: no rules
  ProcessWatches watches_;
  std::string classFilePath_;     // the executable's name with ".vlm", beside it
  bool classFileUnread_ = false;  // the file exists but could not be read: never written over
  bool bringingBack_ = false;     // removing entries may dissolve groups, which may fail again
  std::unordered_set<std::uint32_t> mouseOnlyIcons_;  // the shell refused them version 3
  std::optional<std::uint32_t> selectFollows_;        // its WM_LBUTTONUP came: NIN_SELECT is the same click
  std::optional<std::uint32_t> contextMenuFollows_;   // its WM_RBUTTONUP came: WM_CONTEXTMENU is the same click
  std::unordered_set<std::uint32_t> keySelects_;      // NIN_KEYSELECT paths waiting or running

  Ports& ports_;
  Desktop& desktop_;
  MainForm& form_;
  HookSections* sections_;  // null: nothing published
  ListMenus* menus_ = nullptr;
};

// Tips of the shared and group icons.
std::string CountTip(const TextTable& texts, std::size_t count);
// The first 63 characters of a title, as tips hold it.
std::string TipOf(std::string_view title);
// Case-insensitive ordering of marked classes and keys (CompareNoCase).
int CompareClassNames(std::string_view a, std::string_view b);

}  // namespace velmora
