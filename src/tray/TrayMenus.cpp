#include "tray/TrayMenus.h"

#include <algorithm>

#include "platform/Utf8.h"
#include "platform/WinConst.h"
#include "text/Help.h"

namespace velmora {

using namespace win;

TrayMenus::TrayMenus(Ports& ports, MainForm& form, TListTrayIcon& list) : ports_(ports), form_(form), list_(list) {
  for (std::size_t i = 0; i < MenuImageCount; ++i) images_[i] = ports_.painter.LoadIcon(MenuImageNames[i]);
}

std::vector<TIconsList> TrayMenus::ListedWindows(const std::string& group, bool fromHotkey) const {
  const TOptionsRecord& o = list_.Options;
  const int mode = o.EffectiveTrayMode();
  std::vector<TIconsList> out;
  for (const auto& e : list_.Entries) {
    const bool listed = fromHotkey || mode == 1 || (mode == 0 && e->Inactive) || (mode == 2 && e->WindowClass == group);
    // A window that asks for attention shows its marked icon.
    const Hicon icon = e->Attention && e->MarkedIcon ? e->MarkedIcon.get() : e->hIcon;
    if (listed) out.push_back({e->Window, icon, e->Caption, e->WindowClass, e->Attention});
  }
  if (fromHotkey) return out;
  const int order = mode == 0 ? o.EveryMenuOrder : mode == 1 ? o.AllMenuOrder : 0;
  // Ascending, bytes compared unsigned, equal keys keep the order of hiding.
  if (order == 0)
    std::stable_sort(out.begin(), out.end(), [](const TIconsList& a, const TIconsList& b) { return a.Caption < b.Caption; });
  else if (order == 1)
    std::stable_sort(out.begin(), out.end(),
                     [](const TIconsList& a, const TIconsList& b) { return a.WindowClass < b.WindowClass; });
  return out;
}

std::string TrayMenus::WindowHeading(const std::string& title) {
  return Utf16Length(title) <= 20 ? title : Utf8Prefix(title, 18) + "...";
}

std::vector<MenuEntry> TrayMenus::FixedItems() const {
  const TextTable& t = list_.Texts;
  MenuEntry program{.text = "Velmora", .icon = images_[ImgProgram], .isDefault = true};
  program.submenu.push_back({.text = std::string(t[TextId::MenuOptions]),
                             .command = CmdOptions,
                             .icon = images_[ImgOptions],
                             .isDefault = true});
  program.submenu.push_back({.text = std::string(t[TextId::MenuHelp]), .command = CmdHelp, .icon = images_[ImgHelp]});
  program.submenu.push_back({.text = std::string(t[TextId::MenuExit]), .command = CmdExit, .icon = images_[ImgExit]});
  return {program};
}

std::uint32_t TrayMenus::Popup(const std::vector<MenuEntry>& items, bool fromHotkey, bool fromKeyboard) {
  Desktop& d = ports_.desktop;
  const Hwnd owner = form_.MainWindowHandle();
  // A hotkey's menu dismissed gives the foreground back to the window that had it.
  const Hwnd before = fromHotkey ? d.GetForegroundWindow() : Hwnd{};
  // In front first, so that the menu closes when the user clicks elsewhere.
  d.SetForegroundWindow(owner);
  int x = 0, y = 0;
  ports_.menus.GetCursorPos(x, y);
  if (fromHotkey && !ports_.menus.GetWorkArea(x, y)) x = y = 0;
  // The menu stays open as long as the user likes: other paths go on meanwhile,
  // and the choice is acted on by window handle afterwards.
  if (form_.Paths().Closing()) return 0;
  std::uint32_t command = 0;
  {
    EventPaths::Opening open(form_.Paths());
    command = ports_.menus.TrackPopupMenu(items, x, y, owner, fromKeyboard);
  }
  // Ended because the program ends: the choice is not acted on.
  if (form_.Paths().Closing()) return 0;
  // Not to a window that went to the tray or the taskbar meanwhile: its focus would end on the frame.
  if (command == 0 && before && d.IsWindow(before) && d.IsWindowVisible(before) && !d.IsIconic(before) &&
      d.GetWindowProcessId(before) != d.GetCurrentProcessId())
    d.SetForegroundWindow(before);
  return command;
}

void TrayMenus::Default1Click(Hwnd wnd, MenuMode mode) {
  if (!ports_.desktop.IsWindow(wnd)) return;
  if (mode == MenuMode::Restore)
    list_.RestoreWindow(wnd);
  else
    form_.UserCloseWindow(wnd, list_.Options.ConfirmClose != 0);
}

void TrayMenus::RestoreCloseallClick(const std::vector<TIconsList>& listed, MenuMode mode) {
  if (listed.size() < 2) return;
  // The bottom item first; a window that left the list while the menu was open is left alone.
  for (auto it = listed.rbegin(); it != listed.rend(); ++it)
    if (list_.FindEntry(it->Wnd)) Default1Click(it->Wnd, mode);
}

void TrayMenus::menurClick(Hwnd wnd) {
  if (ports_.desktop.IsWindow(wnd)) list_.RestoreWindow(wnd);
}

void TrayMenus::menucClick(Hwnd wnd) { form_.UserCloseWindow(wnd, list_.Options.ConfirmClose != 0); }

void TrayMenus::Help1Click() {
  if (!OpenHelpFile(ports_.shell, list_.Texts, list_.AppPath))
    ports_.shell.ShellExecute("open", MakerPage, "", "", SW_SHOWMAXIMIZED);
}

void TrayMenus::Exit1Click() { form_.Exit(); }

bool TrayMenus::FixedItemClick(std::uint32_t command) {
  switch (command) {
    case CmdOptions: form_.Velmora1Click(); return true;
    case CmdHelp: Help1Click(); return true;
    case CmdExit: Exit1Click(); return true;
    default: return false;
  }
}

bool TrayMenus::ShowListMenu(const std::string& group, MenuMode mode, bool fromHotkey, bool fromKeyboard) {
  const std::vector<TIconsList> listed = ListedWindows(group, fromHotkey);
  const int trayMode = list_.Options.EffectiveTrayMode();
  const bool restore = mode == MenuMode::Restore;
  const TextTable& t = list_.Texts;
  std::vector<MenuEntry> items = FixedItems();
  const bool several = listed.size() >= 2;
  const Hicon allImage = images_[restore ? ImgRestore : ImgClose];
  if (several && (fromHotkey || trayMode == 1))
    items.push_back({.text = std::string(t[restore ? TextId::ListRestoreAll : TextId::ListCloseAll]),
                     .command = CmdAll,
                     .icon = allImage});
  else if (several && trayMode == 2)
    items.push_back({.text = std::string(t[restore ? TextId::GroupRestoreAll : TextId::GroupCloseAll]),
                     .command = CmdAll,
                     .icon = allImage});
  items.push_back({.text = std::string(t[restore ? TextId::HeadingRestore : TextId::HeadingClose]), .heading = true});
  for (std::size_t i = 0; i < listed.size(); ++i) {
    // The caption stays the title at hiding; the attention text follows it, for screen readers too.
    items.push_back({.text = listed[i].Caption + (listed[i].Attention ? std::string(t[TextId::AttentionTip]) : ""),
                     .command = static_cast<std::uint32_t>(CmdFirstWindow + i),
                     .icon = listed[i].Icon});
  }
  const std::uint32_t chosen = Popup(items, fromHotkey, fromKeyboard);
  if (chosen >= CmdFirstWindow && chosen - CmdFirstWindow < listed.size())
    Default1Click(listed[chosen - CmdFirstWindow].Wnd, mode);
  else if (chosen == CmdAll)
    RestoreCloseallClick(listed, mode);
  else
    FixedItemClick(chosen);
  return chosen != 0;
}

std::vector<MenuEntry> TrayMenus::BuildWindowMenu(Hwnd wnd) {
  std::vector<MenuEntry> items = FixedItems();
  items.push_back({.text = WindowHeading(ports_.desktop.GetWindowText(wnd)), .heading = true});
  const TextTable& t = list_.Texts;
  items.push_back({.text = std::string(t[TextId::MenuClose]), .command = CmdClose, .icon = images_[ImgClose]});
  items.push_back({.text = std::string(t[TextId::MenuRestore]), .command = CmdRestore, .icon = images_[ImgRestore]});
  return items;
}

bool TrayMenus::ShowWindowMenu(Hwnd wnd, bool fromKeyboard) {
  const std::uint32_t chosen = Popup(BuildWindowMenu(wnd), false, fromKeyboard);
  if (chosen == CmdRestore)
    menurClick(wnd);
  else if (chosen == CmdClose)
    menucClick(wnd);
  else
    FixedItemClick(chosen);
  return chosen != 0;
}

}  // namespace velmora
