#include "win32/Win32Painter.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "win32/AttentionMark.h"
#include "win32/Convert.h"
#include "win32/Dpi.h"
#include "win32/PaletteColours.h"
#include "win32/Raii.h"
#include "win32/Win32Api.h"
#include "win32/Win32Dialogs.h"
#include "win32/Win32Programs.h"

#include <shellapi.h>
#include <shobjidl.h>

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

// A bitmap the count is drawn on, the colour it takes there, and that of the
// ground the digit sits on and of the dot's edge.
struct Target {
  HBITMAP bitmap;
  COLORREF color;
  COLORREF edge;
};

// Black or white, whichever stands out from the taskbar the icons sit on (its
// menus' ground): the edge that keeps any colour readable there.
COLORREF TaskbarEdge() { return ContrastTo(ColoursOf(CurrentPalette(Surface::Taskbar)).menu); }

void DrawDigit(HDC dc, std::span<const Target> targets, int width, std::uint16_t count) {
  ::SetBkMode(dc, OPAQUE);
  ::SetTextAlign(dc, TA_RIGHT);
  const LOGFONTA lf = CountFont(width);
  UniqueFont font(::CreateFontIndirectA(&lf));
  if (!font) return;
  SelectGuard fontGuard(dc, font.get());
  if (!fontGuard.ok()) return;

  const std::string text = std::to_string(count);
  const int length = static_cast<int>(text.size());
  for (const Target& target : targets) {
    if (!::SelectObject(dc, target.bitmap)) return;
    ::SetTextColor(dc, target.color);
    ::SetBkColor(dc, target.edge);
    ::TextOutA(dc, width, 0, text.c_str(), length);
  }
}

void DrawMark(HDC dc, std::span<const Target> targets, int width, int height) {
  const int left = RoundHalfEven(width, 5, 8);
  const int bottom = RoundHalfEven(height, 3, 8);
  for (const Target& target : targets) {
    UniqueBrush brush(::CreateSolidBrush(target.color));
    UniquePen pen(::CreatePen(PS_SOLID, 1, target.edge));
    if (!brush || !pen || !::SelectObject(dc, target.bitmap)) return;
    SelectGuard brushGuard(dc, brush.get()), penGuard(dc, pen.get());
    ::Ellipse(dc, left, 0, width, bottom);
  }
}

// 32-bit pixels, top row first, with their alpha byte.
BITMAPINFO PixelFormat(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

bool ReadPixels(HDC dc, HBITMAP bitmap, int width, int height, std::vector<std::uint32_t>& out) {
  out.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  BITMAPINFO bi = PixelFormat(width, height);
  return ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), out.data(), &bi, DIB_RGB_COLORS) == height;
}

// A scratch bitmap of the icon's size, every pixel `fill`, for learning which
// pixels a drawing touches.
struct Scratch {
  UniqueBitmap bitmap;
  std::span<std::uint32_t> pixels;
  std::uint32_t fill = 0;
};

bool MakeScratch(HDC dc, int width, int height, std::uint32_t fill, Scratch& out) {
  BITMAPINFO bi = PixelFormat(width, height);
  void* bits = nullptr;
  out.bitmap.reset(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!out.bitmap || !bits) return false;
  out.pixels = {static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(width) * static_cast<std::size_t>(height)};
  std::fill(out.pixels.begin(), out.pixels.end(), fill);
  out.fill = fill;
  return true;
}

// A copy of the icon at size x size: the system picks and scales the image.
UniqueIcon IconAtSize(HICON icon, int size) {
  return UniqueIcon(static_cast<HICON>(::CopyImage(icon, IMAGE_ICON, size, size, 0)));
}

}  // namespace

int TrayIconSize() { return SmallIconSize(WindowDpi(::FindWindowW(L"Shell_TrayWnd", nullptr))); }

LOGFONTA CountFont(int iconSize) {
  // Derived from a stock font, so every field the face does not set is the system's.
  LOGFONTA lf{};
  ::GetObjectA(::GetStockObject(ANSI_FIXED_FONT), sizeof lf, &lf);
  lf.lfWidth = 0;
  lf.lfWeight = FW_BOLD;
  // Two thirds of the icon: as tall as a digit can be and still leave the
  // window's icon recognisable beside it.
  lf.lfHeight = -RoundHalfEven(iconSize, 21, 32);
  // Latin digits, never smoothed: the one-bit mask gets exactly the glyph the
  // colour bitmap gets, whatever font the system's language would pick.
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lstrcpynA(lf.lfFaceName, "Courier", LF_FACESIZE);
  return lf;
}

int RoundHalfEven(int n, int num, int den) {
  const int product = n * num;
  int q = product / den;
  const int twice = 2 * (product % den);
  if (twice > den || (twice == den && (q & 1))) ++q;
  return q;
}

Hicon Win32Painter::LoadIcon(std::string_view resourceName) {
  const int size = IconSize();
  auto [at, added] = loaded_.try_emplace({std::string(resourceName), size});
  if (added)
    at->second.reset(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), at->first.first.c_str(), IMAGE_ICON, size, size, 0)));
  return FromHicon(at->second.get());
}

Hicon Win32Painter::LoadSystemIcon(std::uint32_t id) {
  const int size = IconSize();
  return FromHicon(static_cast<HICON>(::LoadImageA(nullptr, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_SHARED)));
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
  // The count is drawn at the size it is shown at, never shrunk afterwards.
  const int size = IconSize();
  if (bm.bmWidth != size || bm.bmHeight != size) {
    const UniqueIcon scaled = IconAtSize(ToHicon(base), size);
    bitmaps = {};
    if (!scaled || !GetIconBitmaps(scaled.get(), bitmaps) || !bitmaps.color ||
        ::GetObjectA(bitmaps.color.get(), sizeof bm, &bm) != sizeof bm)
      return Hicon{};
  }
  const int width = bm.bmWidth, height = bm.bmHeight;
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return Hicon{};

  // An icon with an alpha channel shows by its alpha and ignores its mask,
  // and GDI leaves alpha 0 where it draws: what the count covers must be made
  // opaque there. Two scratch copies of the drawing, on different grounds,
  // tell which pixels it covers.
  std::vector<std::uint32_t> pixels;
  const bool alpha = bm.bmBitsPixel == 32 && ReadPixels(dc.get(), bitmaps.color.get(), width, height, pixels) &&
                     std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
  Scratch scratch[2];
  std::vector<Target> targets;
  if (alpha) {
    if (!MakeScratch(dc.get(), width, height, 0x00000000u, scratch[0]) ||
        !MakeScratch(dc.get(), width, height, 0x00FFFFFFu, scratch[1]))
      return Hicon{};
    for (const Scratch& s : scratch) targets.push_back({s.bitmap.get(), color, color});
  }
  // The digit on a ground of black or white, whichever stands out from its colour; the dot edged in
  // what stands out from the taskbar: any colour the user chose stays readable on any taskbar.
  const COLORREF edge = digit && count < 10 ? ContrastTo(color) : TaskbarEdge();
  targets.push_back({bitmaps.color.get(), color, edge});
  targets.push_back({bitmaps.mask.get(), RGB(0, 0, 0), digit && count < 10 ? RGB(255, 255, 255) : RGB(0, 0, 0)});
  {
    // Puts the context's first bitmap back before the copies are used.
    SelectGuard bitmapGuard(dc.get(), bitmaps.color.get());
    if (!bitmapGuard.ok()) return Hicon{};
    if (digit && count < 10)
      DrawDigit(dc.get(), targets, width, count);
    else
      DrawMark(dc.get(), targets, width, height);
  }
  if (alpha) {
    ::GdiFlush();
    if (ReadPixels(dc.get(), bitmaps.color.get(), width, height, pixels)) {
      for (std::size_t i = 0; i < pixels.size(); ++i)
        if (scratch[0].pixels[i] != scratch[0].fill || scratch[1].pixels[i] != scratch[1].fill)
          pixels[i] |= 0xFF000000u;
      BITMAPINFO bi = PixelFormat(width, height);
      ::SetDIBits(dc.get(), bitmaps.color.get(), 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS);
    }
  }
  ICONINFO info = bitmaps.info;
  info.hbmMask = bitmaps.mask.get();
  info.hbmColor = bitmaps.color.get();
  return FromHicon(::CreateIconIndirect(&info));
}

Hicon Win32Painter::DrawAttention(Hicon base) {
  const int size = IconSize();
  const UniqueIcon scaled = IconAtSize(ToHicon(base), size);
  IconBitmaps bitmaps;
  if (!scaled || !GetIconBitmaps(scaled.get(), bitmaps)) return Hicon{};
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  std::vector<std::uint32_t> pixels, mask;
  // A monochrome icon keeps both halves in its mask: drawn in full colour instead.
  if (!dc || !bitmaps.color || !ReadPixels(dc.get(), bitmaps.color.get(), size, size, pixels) ||
      !ReadPixels(dc.get(), bitmaps.mask.get(), size, size, mask))
    return Hicon{};
  if (std::none_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; }))
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = (pixels[i] & 0xFFFFFFu) | ((mask[i] & 0xFFFFFFu) ? 0 : 0xFF000000u);
  const PaletteColours taskbar = ColoursOf(CurrentPalette(Surface::Taskbar));
  const COLORREF colours[] = {0, taskbar.highlight, ContrastTo(taskbar.highlight), ContrastTo(taskbar.menu)};
  const std::vector<std::uint8_t> mark = AttentionMark(size);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (mark[i] == MarkNone) continue;
    const COLORREF c = colours[mark[i]];
    // COLORREF is 0x00BBGGRR, a pixel 0xAARRGGBB.
    pixels[i] = 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    mask[i] = 0;
  }
  BITMAPINFO bi = PixelFormat(size, size);
  void* bits = nullptr;
  UniqueBitmap colour(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueBitmap opaque(::CreateBitmap(size, size, 1, 1, nullptr));
  if (!colour || !bits || !opaque ||
      ::SetDIBits(dc.get(), opaque.get(), 0, static_cast<UINT>(size), mask.data(), &bi, DIB_RGB_COLORS) != size)
    return Hicon{};
  std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
  ::GdiFlush();
  ICONINFO info{TRUE, 0, 0, opaque.get(), colour.get()};
  return FromHicon(::CreateIconIndirect(&info));
}

bool Win32Painter::DestroyIcon(Hicon icon) { return ::DestroyIcon(ToHicon(icon)) != FALSE; }

namespace {

HICON ProgramIcon(HWND appWindow) {
  DWORD processId = 0;
  if (!appWindow || !::GetWindowThreadProcessId(appWindow, &processId)) return nullptr;
  const std::wstring path = ProcessImagePath(processId);
  HICON large = nullptr, small = nullptr;
  if (path.empty() || ::ExtractIconExW(path.c_str(), 0, &large, &small, 1) == 0) return nullptr;
  UniqueIcon big(large);
  return small ? small : big.release();
}

HICON LogoIcon(const std::wstring& appId) {
  static constexpr IID IidImageFactory = {0xBCC18B79, 0xBA16, 0x442F, {0x80, 0xC4, 0x8A, 0x59, 0xC3, 0x0C, 0x46, 0x3B}};
  IShellItemImageFactory* raw = nullptr;
  const std::wstring item = L"shell:AppsFolder\\" + appId;
  if (appId.empty() || FAILED(::SHCreateItemFromParsingName(item.c_str(), nullptr, IidImageFactory,
                                                            reinterpret_cast<void**>(&raw))) || !raw)
    return nullptr;
  UniqueCom<IShellItemImageFactory> factory(raw);
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  HBITMAP bitmap = nullptr;
  if (FAILED(factory->GetImage(SIZE{size, size}, SIIGBF_ICONONLY, &bitmap)) || !bitmap) return nullptr;
  UniqueBitmap colour(bitmap);
  // The image carries its own alpha; the mask only has to exist.
  UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
  ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
  return mask ? ::CreateIconIndirect(&info) : nullptr;
}

}  // namespace

Hicon Win32Painter::LoadAppIcon(Hwnd appWindow, std::string_view appId) {
  if (HICON icon = ProgramIcon(ToHwnd(appWindow))) return FromHicon(icon);
  return FromHicon(LogoIcon(ToWide(appId, CP_UTF8)));
}

}  // namespace velmora
