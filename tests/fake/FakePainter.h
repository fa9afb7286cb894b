#pragma once
// Icons are plain numbers. Resource and system icons are shared and always
// valid; "foreign" icons stand for icons owned by other programs (valid until
// DestroyForeign); drawn icons are Velmora's own until DestroyIcon.
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FakeLog.h"
#include "platform/Painter.h"

namespace velmora::fake {

struct DrawCall {
  Hicon result{};  // 0 when the base icon was not valid
  Hicon base{};
  std::uint16_t count = 0;
  bool digit = false;
  std::uint32_t color = 0;
};

class FakePainter : public Painter {
 public:
  explicit FakePainter(CallLog* log = nullptr);

  // ---- Test API ----
  // The handle LoadIcon(name) gives (stable per name), without recording a load.
  Hicon ResourceIcon(std::string_view name);
  Hicon SystemIcon(std::uint32_t id);
  Hicon MakeForeignIcon();
  void DestroyForeign(Hicon icon);  // its program destroyed it
  std::size_t LiveDrawn() const { return drawn_.size(); }
  bool IsDrawn(Hicon icon) const { return drawn_.contains(icon.value); }

  std::vector<std::string> loads;      // every LoadIcon name, in order
  std::vector<DrawCall> draws;         // every DrawCount call
  std::vector<Hicon> destroyCalls;     // every DestroyIcon call
  std::size_t failedDestroys = 0;      // DestroyIcon on an icon that was not live

  // ---- Painter ----
  // Unknown names still get a handle.
  Hicon LoadIcon(std::string_view resourceName) override;
  Hicon LoadSystemIcon(std::uint32_t id) override;
  bool IconExists(Hicon icon) override;
  // Fails (0) when base is not a valid icon.
  Hicon DrawCount(Hicon base, std::uint16_t count, bool digit, std::uint32_t color) override;
  // A drawn icon marked from base; fails (0) when base is not a valid icon.
  Hicon DrawAttention(Hicon base) override;
  std::map<std::uint64_t, Hicon> marked;  // drawn mark -> its base
  // True for a live drawn or foreign icon only.
  bool DestroyIcon(Hicon icon) override;
  // Icons of store apps by app id, as loaded: a new icon of Velmora's own each time.
  Hicon LoadAppIcon(Hwnd appWindow, std::string_view appId) override;
  std::set<std::string, std::less<>> appsWithIcons;

 private:
  Hicon Next();

  CallLog* log_;
  std::map<std::string, Hicon, std::less<>> resources_;
  std::map<std::uint32_t, Hicon> system_;
  std::set<std::uint64_t> foreign_;
  std::set<std::uint64_t> drawn_;
  std::uint64_t next_ = 0x10000000;
};

}  // namespace velmora::fake
