#include "win32/Win32Painter.h"

#include <string>

#include "win32/Convert.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"

namespace velmora {

namespace {

// Both bitmaps of an icon as GetIconInfo copies them, owned.
struct IconBitmaps {
  ICONINFO info{};
  UniqueBitmap mask;
  UniqueBitmap color;
};

bool GetIconBitmaps(HICON icon, IconBitmaps& out) {
  if (!icon || !::GetIconInfo(icon, &out.info)) return false;
  out.mask.reset(out.info.hbmMask);
  out.color.reset(out.info.hbmColor);
  return true;
}

void DrawDigit(HDC dc, HBITMAP mask, int width, std::uint16_t count, COLORREF color) {
  ::SetBkMode(dc, OPAQUE);
  ::SetTextAlign(dc, TA_RIGHT);
  // The digit's font is derived from the context's own font, with the face,
  // weight and height the icon size asks for.
  UniqueFont font;
  LOGFONTA lf{};
  {
    SelectGuard probe(dc, ::GetStockObject(ANSI_FIXED_FONT));
    if (!probe.ok() || ::GetObjectA(probe.previous(), sizeof lf, &lf) != sizeof lf) return;
  }
  lf.lfWeight = FW_BOLD;
  lf.lfHeight = width <= 16 ? -9 : -21;
  lstrcpynA(lf.lfFaceName, "Courier", LF_FACESIZE);
  font.reset(::CreateFontIndirectA(&lf));
  if (!font) return;
  SelectGuard fontGuard(dc, font.get());
  if (!fontGuard.ok()) return;

  const std::string text = std::to_string(count);
  const int length = static_cast<int>(text.size());
  ::SetTextColor(dc, color);
  ::TextOutA(dc, width, 0, text.c_str(), length);
  if (!::SelectObject(dc, mask)) return;
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::TextOutA(dc, width, 0, text.c_str(), length);
}

void DrawMark(HDC dc, HBITMAP mask, int width, int height, COLORREF color) {
  const int left = RoundHalfEven(width, 5, 8);
  const int bottom = RoundHalfEven(height, 3, 8);
  {
    UniqueBrush brush;
    LOGBRUSH lb{};
    {
      SelectGuard probe(dc, ::GetStockObject(BLACK_BRUSH));
      if (!probe.ok() || ::GetObjectA(probe.previous(), sizeof lb, &lb) != sizeof lb) return;
    }
    lb.lbStyle = BS_SOLID;
    lb.lbColor = color;
    brush.reset(::CreateBrushIndirect(&lb));
    if (!brush) return;
    SelectGuard brushGuard(dc, brush.get());
    ::Ellipse(dc, left, 0, width, bottom);
  }
  UniqueBrush black(::CreateSolidBrush(RGB(0, 0, 0)));
  if (!black || !::SelectObject(dc, mask)) return;
  SelectGuard brushGuard(dc, black.get());
  ::Ellipse(dc, left, 0, width, bottom);
}

}  // namespace

int RoundHalfEven(int n, int num, int den) {
  const int product = n * num;
  int q = product / den;
  const int twice = 2 * (product % den);
  if (twice > den || (twice == den && (q & 1))) ++q;
  return q;
}

Hicon Win32Painter::LoadIcon(std::string_view resourceName) {
  const std::string name(resourceName);
  return FromHicon(::LoadIconA(::GetModuleHandleA(nullptr), name.c_str()));
}

Hicon Win32Painter::LoadSystemIcon(std::uint32_t id) {
  return FromHicon(::LoadIconA(nullptr, MAKEINTRESOURCEA(id)));
}

bool Win32Painter::IconExists(Hicon icon) {
  IconBitmaps bitmaps;
  return GetIconBitmaps(ToHicon(icon), bitmaps);
}

Hicon Win32Painter::DrawCount(Hicon base, std::uint16_t count, bool digit, std::uint32_t color) {
  // The colour list stores a system colour as 0xFF0000nn: drawn in that colour as the system has it now.
  if ((color & 0xFF000000u) == 0xFF000000u) color = ::GetSysColor(static_cast<int>(color & 0xFFu));
  IconBitmaps bitmaps;
  if (!GetIconBitmaps(ToHicon(base), bitmaps)) return Hicon{};
  if (!bitmaps.color) return FromHicon(::CopyIcon(ToHicon(base)));

  BITMAP bm{};
  if (::GetObjectA(bitmaps.color.get(), sizeof bm, &bm) != sizeof bm) return Hicon{};
  {
    UniqueDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return Hicon{};
    // Puts the context's first bitmap back before the copies are used.
    SelectGuard bitmapGuard(dc.get(), bitmaps.color.get());
    if (!bitmapGuard.ok()) return Hicon{};
    if (digit && count < 10)
      DrawDigit(dc.get(), bitmaps.mask.get(), bm.bmWidth, count, color);
    else
      DrawMark(dc.get(), bitmaps.mask.get(), bm.bmWidth, bm.bmHeight, color);
  }
  ICONINFO info = bitmaps.info;
  info.hbmMask = bitmaps.mask.get();
  info.hbmColor = bitmaps.color.get();
  return FromHicon(::CreateIconIndirect(&info));
}

bool Win32Painter::DestroyIcon(Hicon icon) { return ::DestroyIcon(ToHicon(icon)) != FALSE; }

}  // namespace velmora
