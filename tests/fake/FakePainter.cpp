#include "FakePainter.h"

namespace velmora::fake {

FakePainter::FakePainter(CallLog* log) : log_(log) {}

Hicon FakePainter::Next() {
  next_ += 0x10;
  return Hicon{next_};
}

Hicon FakePainter::ResourceIcon(std::string_view name) {
  auto it = resources_.find(name);
  if (it == resources_.end()) it = resources_.emplace(std::string(name), Next()).first;
  return it->second;
}

Hicon FakePainter::SystemIcon(std::uint32_t id) {
  auto it = system_.find(id);
  if (it == system_.end()) it = system_.emplace(id, Next()).first;
  return it->second;
}

Hicon FakePainter::MakeForeignIcon() {
  Hicon icon = Next();
  foreign_.insert(icon.value);
  return icon;
}

void FakePainter::DestroyForeign(Hicon icon) { foreign_.erase(icon.value); }

Hicon FakePainter::LoadIcon(std::string_view resourceName) {
  loads.emplace_back(resourceName);
  return ResourceIcon(resourceName);
}

Hicon FakePainter::LoadSystemIcon(std::uint32_t id) { return SystemIcon(id); }

bool FakePainter::IconExists(Hicon icon) {
  if (!icon) return false;
  if (foreign_.contains(icon.value) || drawn_.contains(icon.value)) return true;
  for (const auto& [name, h] : resources_)
    if (h == icon) return true;
  for (const auto& [id, h] : system_)
    if (h == icon) return true;
  return false;
}

Hicon FakePainter::DrawCount(Hicon base, std::uint16_t count, bool digit, std::uint32_t color) {
  Hicon result;
  if (IconExists(base)) {
    result = Next();
    drawn_.insert(result.value);
  }
  draws.push_back({result, base, count, digit, color});
  return result;
}

Hicon FakePainter::DrawAttention(Hicon base) {
  if (!IconExists(base)) return Hicon{};
  const Hicon result = Next();
  drawn_.insert(result.value);
  marked[result.value] = base;
  return result;
}

Hicon FakePainter::LoadAppIcon(Hwnd, std::string_view appId) {
  if (!appsWithIcons.contains(appId)) return Hicon{};
  const Hicon icon = Next();
  drawn_.insert(icon.value);
  return icon;
}

bool FakePainter::DestroyIcon(Hicon icon) {
  destroyCalls.push_back(icon);
  LogCall(log_, "DestroyIcon " + Hex(icon.value));
  if (drawn_.erase(icon.value) || foreign_.erase(icon.value)) return true;
  ++failedDestroys;
  return false;
}

}  // namespace velmora::fake
