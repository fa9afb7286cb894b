#pragma once
// The menus of hidden windows: the list menu of several windows (restore or
// close mode) and the menu of one window, popped up from the tray icons.
#include <array>
#include <string>
#include <vector>

#include "platform/Ports.h"
#include "tray/TListTrayIcon.h"

namespace velmora {

// Commands of the popup menu's items.
enum MenuCommand : std::uint32_t {
  CmdHelp = 1,
  CmdExit = 2,
  CmdAll = 3,
  CmdClose = 4,
  CmdRestore = 5,
  CmdOptions = 6,
  CmdFirstWindow = 100,
};

inline constexpr char MakerPage[] = "https://velmora.app/help";

// The six fixed images of the menus, by index: the program, the options, close,
// restore, exit, help (resource icons drawn by tools/make_icons.py).
enum MenuImage : std::size_t { ImgProgram, ImgOptions, ImgClose, ImgRestore, ImgExit, ImgHelp, MenuImageCount };
inline constexpr const char* MenuImageNames[MenuImageCount] = {"MENUPROGRAM", "MENUOPTIONS", "MENUCLOSE",
                                                               "MENURESTORE", "MENUEXIT",    "MENUHELP"};

class TrayMenus : public ListMenus {
 public:
  TrayMenus(Ports& ports, MainForm& form, TListTrayIcon& list);

  bool ShowListMenu(const std::string& group, MenuMode mode, bool fromHotkey, bool fromKeyboard) override;
  bool ShowWindowMenu(Hwnd wnd, bool fromKeyboard) override;

  // The items of one hidden window's menu: the fixed items, its title as the heading, "关闭", "恢复".
  std::vector<MenuEntry> BuildWindowMenu(Hwnd wnd);
  // The windows a list menu shows, in the order it shows them.
  std::vector<TIconsList> ListedWindows(const std::string& group, bool fromHotkey) const;
  // The heading of a window's menu: a title of up to 20 characters whole, else 18 and "...".
  static std::string WindowHeading(const std::string& title);

 private:
  std::vector<MenuEntry> FixedItems() const;
  // A hotkey's menu opens at the work area's corner, any other at the cursor.
  std::uint32_t Popup(const std::vector<MenuEntry>& items, bool fromHotkey, bool fromKeyboard);
  // What choosing an item does.
  void Default1Click(Hwnd wnd, MenuMode mode);
  void RestoreCloseallClick(const std::vector<TIconsList>& listed, MenuMode mode);
  void menurClick(Hwnd wnd);
  void menucClick(Hwnd wnd);
  void Help1Click();
  void Exit1Click();
  bool FixedItemClick(std::uint32_t command);

  Ports& ports_;
  MainForm& form_;
  TListTrayIcon& list_;
  std::array<Hicon, MenuImageCount> images_{};  // shared resource icons, never destroyed
};

}  // namespace velmora
