#pragma once
// The records of the hidden-window list.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/Handles.h"
#include "platform/Painter.h"
#include "platform/Timer.h"
#include "platform/Tray.h"

namespace velmora {

// An icon Velmora drew: destroyed with its owner, never by hand.
class OwnedIcon {
 public:
  OwnedIcon() = default;
  OwnedIcon(Painter& painter, Hicon icon) : painter_(icon ? &painter : nullptr), icon_(icon) {}
  OwnedIcon(OwnedIcon&& other) noexcept : painter_(other.painter_), icon_(other.icon_) { other.painter_ = nullptr; }
  OwnedIcon& operator=(OwnedIcon&& other) noexcept {
    if (this != &other) {
      Reset();
      painter_ = std::exchange(other.painter_, nullptr);
      icon_ = std::exchange(other.icon_, Hicon{});
    }
    return *this;
  }
  OwnedIcon(const OwnedIcon&) = delete;
  OwnedIcon& operator=(const OwnedIcon&) = delete;
  ~OwnedIcon() { Reset(); }

  Hicon get() const { return painter_ ? icon_ : Hicon{}; }
  explicit operator bool() const { return static_cast<bool>(get()); }
  void Reset() {
    if (painter_) painter_->DestroyIcon(icon_);
    painter_ = nullptr;
    icon_ = Hicon{};
  }

 private:
  Painter* painter_ = nullptr;
  Hicon icon_;
};

// One hidden window. It begins with the tray structure so that the record
// itself is what the window's own icon is added with (id = the window).
struct TTrayIcon : NotifyIconData {
  Hwnd Window;              // the hidden window; uID holds its 32-bit id
  std::string Caption;      // title when the entry was prepared: the menu caption
  std::string WindowClass;  // groups and sorts the entry: the class, or a shared class's key
  bool Inactive = false;
  std::uint64_t HiddenAt = 0;  // TickCount at AddEntry
  std::unique_ptr<velmora::Timer> Timer;
  bool IconFailed = false;  // its own tray icon could not be added
  OwnedIcon AppIcon;        // a store app's icon that Velmora loaded: hIcon then is this one
  bool Attention = false;   // it flashed while held: its icon carries the mark until it leaves
  OwnedIcon MarkedIcon;     // hIcon with the mark, shown instead of it while Attention

  std::string Tip() const;
};

// An application link: a "TApplication" window and up to two of its forms.
struct DelphiApp {
  Hwnd AppWnd;
  std::string FormClass;
  Hwnd Window1;
  Hwnd Window2;
};


// A group slot: in use while GroupName is not empty; owns its drawn icon.
struct TInstanceRecord {
  std::string GroupName;
  OwnedIcon Icon;
};

// One entry of a list menu under construction.
struct TIconsList {
  Hwnd Wnd;
  Hicon Icon;
  std::string Caption;
  std::string WindowClass;
  bool Attention = false;
};

constexpr std::uint32_t TrayCallbackMessage = 0x401;  // WM_USER + 1
constexpr std::uint32_t TrayIgnoredMessage = 0x402;   // WM_USER + 2
constexpr std::uint32_t ProcessEndedMessage = 0x403;  // WM_USER + 3: a program with hidden windows ended
constexpr std::uint32_t TrayFlags = 7;                // NIF_MESSAGE | NIF_ICON | NIF_TIP
constexpr std::size_t GroupSlots = 127;
constexpr std::uint32_t SharedIconId = 0;

}  // namespace velmora
