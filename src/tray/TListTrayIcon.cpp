#include "tray/TListTrayIcon.h"

#include <algorithm>
#include <cstring>

#include "foreign/WindowKinds.h"
#include "platform/Paths.h"
#include "platform/WinConst.h"
#include "settings/OptionsStore.h"

namespace velmora {

std::string TTrayIcon::Tip() const {
  return std::string(szTip.data(), strnlen(szTip.data(), szTip.size()));
}

std::string TipOf(std::string_view title) { return Utf8Prefix(title, 63); }

std::string CountTip(const TextTable& texts, std::size_t count) {
  if (count == 1) return std::string(texts[TextId::TipOneWindow]);
  return texts(TextId::TipWindows, std::to_string(count));
}

// Program names in a key ("Ärzte.exe|#32770") compare as Windows compares
// file names: letters of any of their scripts in either case are the same.
int CompareClassNames(std::string_view a, std::string_view b) { return CompareNoCase(a, b); }

TListTrayIcon::TListTrayIcon(Ports& ports, MainForm& form, HookSections* sections)
    : Texts(UserTexts(ports.kernel)), ports_(ports), desktop_(ports.desktop), form_(form), sections_(sections) {
  TrayWnd = desktop_.CreateUtilityWindow("VelmoraTrayWnd", [this](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
    return TrayWndProc(msg, w, l);
  });
  Loading = true;
  auto [folder, file] = SplitModulePath(ports_.shell.GetModuleFileName());
  AppPath = folder.empty() ? std::string() : folder + "\\";
  if (const auto dot = file.find_last_of('.'); dot != std::string::npos) file.erase(dot);
  classFilePath_ = AppPath + file + ".vlm";
  LoadIcons();
  Options = LoadOptions(ports_.registry, nullptr);
  if (sections_) sections_->PushOptions(Options);
  LoadAttentionBalloon();
  Loading = true;
}

void TListTrayIcon::LoadIcons() {
  for (int i = 1; i <= 9; ++i) Icons[static_cast<std::size_t>(i)] = ports_.painter.LoadIcon("S" + std::to_string(i));
  Icons[10] = ports_.painter.LoadIcon("MAINICON");
  Icons[11] = ports_.painter.LoadIcon("SH");
}

TListTrayIcon::~TListTrayIcon() {
  // No window stays hidden when the program ends.
  RestoreAll();
  // Whatever a failed step left behind: no icon of ours stays in the tray.
  UpdateSharedIcon(false, true, false);
  RemoveGroupIcons();
  Entries.clear();
  Apps.clear();
  desktop_.DestroyWindow(TrayWnd);
  Classes.clear();
}

TTrayIcon* TListTrayIcon::FindEntry(Hwnd wnd, std::size_t* index) const {
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    if (Entries[i]->Window == wnd) {
      if (index) *index = i;
      return Entries[i].get();
    }
  }
  return nullptr;
}

std::size_t TListTrayIcon::InactiveCount() const {
  return static_cast<std::size_t>(
      std::count_if(Entries.begin(), Entries.end(), [](const auto& e) { return e->Inactive; }));
}

std::size_t TListTrayIcon::GroupCount(std::string_view className) const {
  return static_cast<std::size_t>(
      std::count_if(Entries.begin(), Entries.end(), [&](const auto& e) { return e->WindowClass == className; }));
}

Hwnd TListTrayIcon::FindOutlookBrowser() const {
  for (const auto& e : Entries)
    if (e->WindowClass == "Outlook Express Browser Class") return e->Window;
  return Hwnd{};
}

void TListTrayIcon::PrepareEntry(TTrayIcon& entry) {
  entry.cbSize = NotifyIconDataV1Size;
  entry.hWnd = TrayWnd;
  entry.uID = TrayIdOf(entry.Window);
  entry.uFlags = TrayFlags;
  entry.uCallbackMessage = TrayCallbackMessage;
  const std::string tip = TipOf(WindowTitle(desktop_, entry.Window));
  entry.SetTip(tip);
  entry.Caption = tip;
  // Windows of a shared class group by program ("discord.exe|Chrome_WidgetWin"), the others by class.
  std::string cls = WindowClassKey(desktop_, entry.Window);
  const Hwnd app = OwningAppWindow(desktop_, entry.Window);
  if (app && HasApp(app)) cls = desktop_.GetClassName(GetAppWindow(app, false));
  entry.WindowClass = cls;
  entry.Inactive = false;
}

DelphiApp* TListTrayIcon::FindApp(Hwnd appWnd) const {
  for (const auto& a : Apps)
    if (a->AppWnd == appWnd) return a.get();
  return nullptr;
}

bool TListTrayIcon::AddApp(Hwnd appWnd, std::string_view className) {
  if (FindApp(appWnd)) return false;
  Apps.push_back(std::make_unique<DelphiApp>(DelphiApp{appWnd, std::string(className), Hwnd{}, Hwnd{}}));
  return true;
}

bool TListTrayIcon::HasApp(Hwnd appWnd) const { return FindApp(appWnd) != nullptr; }

Hwnd TListTrayIcon::GetAppWindow(Hwnd appWnd, bool second) const {
  const DelphiApp* app = FindApp(appWnd);
  if (!app) return Hwnd{};
  return second ? app->Window2 : app->Window1;
}

int TListTrayIcon::AttachAppWindow(Hwnd appWnd, Hwnd wnd) {
  DelphiApp* app = FindApp(appWnd);
  if (!app) return 0;
  if (!app->Window1) {
    app->Window1 = wnd;
    return 1;
  }
  if (app->Window2) return 0;
  app->Window2 = wnd;
  return 2;
}

void TListTrayIcon::DetachAppWindow(Hwnd appWnd, Hwnd wnd) {
  DelphiApp* app = FindApp(appWnd);
  if (!app) return;
  if (wnd == app->Window2) {
    app->Window2 = Hwnd{};
  } else if (wnd == app->Window1) {
    app->Window1 = app->Window2;
    app->Window2 = Hwnd{};
  } else if (wnd == app->AppWnd) {
    std::erase_if(Apps, [app](const auto& a) { return a.get() == app; });
  }
}

std::string TListTrayIcon::GetAppClass(Hwnd appWnd) const {
  const DelphiApp* app = FindApp(appWnd);
  return app ? app->FormClass : std::string();
}

}  // namespace velmora
