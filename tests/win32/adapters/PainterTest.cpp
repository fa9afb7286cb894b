#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <set>

#include "TestSupport.h"
#include "win32/AttentionMark.h"
#include "win32/Convert.h"
#include "win32/PaletteColours.h"
#include "win32/Win32Painter.h"

namespace velmora {
namespace {

constexpr COLORREF Ground = RGB(0, 128, 0);
constexpr COLORREF Count = RGB(255, 0, 0);

// A colour icon of size x size: Ground everywhere; the mask opaque on the left
// half and transparent on the right half, where the count goes. With an alpha
// channel the right half is see-through there too, the column before it half so.
UniqueIcon MakeIcon(int size, bool alpha = false) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* pixels = nullptr;
  UniqueBitmap color(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!color) return nullptr;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      static_cast<std::uint32_t*>(pixels)[y * size + x] =
          test::Rgb(Ground) | (!alpha ? 0u : x < size / 2 - 1 ? 0xFF000000u : x < size / 2 ? 0x80000000u : 0u);
  const int stride = ((size + 15) / 16) * 2;
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride * size), 0);
  for (int y = 0; y < size; ++y)
    for (int x = size / 2; x < size; ++x) bits[static_cast<std::size_t>(y * stride + x / 8)] |= 0x80 >> (x % 8);
  UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, bits.data()));
  ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
  return UniqueIcon(::CreateIconIndirect(&info));
}

struct IconPixels {
  test::Pixels color;
  test::Pixels mask;
};

IconPixels Read(HICON icon) {
  ICONINFO info{};
  IconPixels out;
  if (!::GetIconInfo(icon, &info)) return out;
  UniqueBitmap mask(info.hbmMask), color(info.hbmColor);
  out.color = test::ReadPixels(color.get());
  out.mask = test::ReadPixels(mask.get());
  return out;
}

// A pixel with its alpha byte.
std::uint32_t Raw(const test::Pixels& p, int x, int y) { return p.data[static_cast<std::size_t>(y * p.width + x)]; }

bool Same(const IconPixels& a, const IconPixels& b, int x, int y) {
  return Raw(a.color, x, y) == Raw(b.color, x, y) && a.mask.at(x, y) == b.mask.at(x, y);
}

// Changed by the drawing, yet not opaque by alpha: a hole where an icon with alpha shows the count.
bool DrawnSeeThrough(const IconPixels& before, const IconPixels& after, int x, int y) {
  return Raw(after.color, x, y) != Raw(before.color, x, y) && Raw(after.color, x, y) >> 24 != 255;
}

class DrawCountTest : public ::testing::TestWithParam<std::tuple<int, bool>> {
 protected:
  Win32Painter painter{std::get<0>(GetParam())};
};

TEST_P(DrawCountTest, DigitAtTheTopRightOpaqueInTheMask) {
  const auto [size, alpha] = GetParam();
  UniqueIcon base = MakeIcon(size, alpha);
  ASSERT_TRUE(base);
  const IconPixels before = Read(base.get());
  ASSERT_EQ(before.color.width, size);

  UniqueIcon drawn(ToHicon(painter.DrawCount(FromHicon(base.get()), 7, true, Count)));
  ASSERT_TRUE(drawn);
  ASSERT_NE(drawn.get(), base.get());
  const IconPixels after = Read(drawn.get());
  ASSERT_EQ(after.color.width, size);
  ASSERT_EQ(after.color.height, size);

  int digitPixels = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      EXPECT_FALSE(alpha && DrawnSeeThrough(before, after, x, y)) << x << "," << y;  // the digit and its box
      if (after.color.at(x, y) != test::Rgb(Count)) continue;
      ++digitPixels;
      EXPECT_GE(x, size / 2) << x << "," << y;  // right-aligned
      EXPECT_LT(y, size * 3 / 4) << x << "," << y;  // at the top
      EXPECT_EQ(after.mask.at(x, y), 0u) << x << "," << y;  // opaque
    }
  EXPECT_GE(digitPixels, size / 4);
  // The corner under the digit's box: opaque by alpha only where the icon has alpha.
  EXPECT_EQ(Raw(after.color, size - 1, 0) >> 24, alpha ? 255u : 0u);

  // The digit touches the right part of the top rows; the rest is untouched.
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (x < size / 3 || y >= size - size / 8) {
        EXPECT_TRUE(Same(before, after, x, y)) << x << "," << y;
      }

  // The base icon itself is not drawn on.
  const IconPixels again = Read(base.get());
  EXPECT_EQ(again.color.data, before.color.data);
  EXPECT_EQ(again.mask.data, before.mask.data);
}

TEST_P(DrawCountTest, MarkForTenAndMoreAndWithoutDigits) {
  const auto [size, alpha] = GetParam();
  UniqueIcon base = MakeIcon(size, alpha);
  const IconPixels before = Read(base.get());
  const int left = RoundHalfEven(size, 5, 8), bottom = RoundHalfEven(size, 3, 8);
  for (const auto& [count, digit] : {std::pair{10, true}, std::pair{3, false}}) {
    SCOPED_TRACE(count);
    UniqueIcon drawn(ToHicon(painter.DrawCount(FromHicon(base.get()), static_cast<std::uint16_t>(count), digit, Count)));
    ASSERT_TRUE(drawn);
    const IconPixels after = Read(drawn.get());
    const int cx = (left + size) / 2, cy = bottom / 2;
    EXPECT_EQ(after.color.at(cx, cy), test::Rgb(Count));
    EXPECT_EQ(after.mask.at(cx, cy), 0u);
    EXPECT_EQ(before.mask.at(cx, cy), 0xFFFFFFu);  // it was transparent
    int marked = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const bool inBox = x >= left && y < bottom;
        EXPECT_FALSE(alpha && DrawnSeeThrough(before, after, x, y)) << x << "," << y;
        if (!inBox) {
          EXPECT_TRUE(Same(before, after, x, y)) << x << "," << y;
        }
        if (after.color.at(x, y) == test::Rgb(Count)) {
          EXPECT_TRUE(inBox) << x << "," << y;
          EXPECT_EQ(after.mask.at(x, y), 0u) << x << "," << y;
          ++marked;
        }
      }
    EXPECT_GE(marked, (size - left) * bottom / 3);
    // The box's corners lie outside the ellipse.
    EXPECT_TRUE(Same(before, after, left, 0));
    EXPECT_TRUE(Same(before, after, size - 1, bottom - 1));
  }
}

// The pixels of the count colour, as (x, y) pairs.
std::set<std::pair<int, int>> CountPixels(const test::Pixels& p, int dx = 0, int dy = 0) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.at(x, y) == test::Rgb(Count)) out.insert({x + dx, y + dy});
  return out;
}

// The digit as its font draws it alone, its right edge and top at (right, top)
// of a canvas three times the icon's size, so nothing of it can be cut off.
std::set<std::pair<int, int>> DigitAlone(int size, int digit) {
  const int canvas = 3 * size;
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, canvas, -canvas, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  const LOGFONTA lf = CountFont(size);
  UniqueFont font(::CreateFontIndirectA(&lf));
  const HGDIOBJ oldBitmap = ::SelectObject(dc.get(), bitmap.get());
  const HGDIOBJ oldFont = ::SelectObject(dc.get(), font.get());
  ::SetTextAlign(dc.get(), TA_RIGHT);
  ::SetTextColor(dc.get(), Count);
  ::SetBkMode(dc.get(), TRANSPARENT);
  const char text[] = {static_cast<char>('0' + digit)};
  ::TextOutA(dc.get(), 2 * size, size, text, 1);
  ::SelectObject(dc.get(), oldFont);
  ::SelectObject(dc.get(), oldBitmap);
  return CountPixels(test::ReadPixels(bitmap.get()), -size, -size);
}

// Drawn at the size the tray shows, from a base of another size: every digit
// whole (the same pixels as the digit alone), tall enough to read, and unlike
// every other digit.
TEST_P(DrawCountTest, EveryDigitWholeAndLegibleAtTheTraySize) {
  const int size = std::get<0>(GetParam());
  UniqueIcon base = MakeIcon(size == 32 ? 16 : 32, std::get<1>(GetParam()));
  std::vector<std::set<std::pair<int, int>>> seen;
  for (int digit = 1; digit <= 9; ++digit) {
    SCOPED_TRACE(digit);
    UniqueIcon drawn(ToHicon(painter.DrawCount(FromHicon(base.get()), static_cast<std::uint16_t>(digit), true, Count)));
    ASSERT_TRUE(drawn);
    const IconPixels after = Read(drawn.get());
    ASSERT_EQ(after.color.width, size);
    ASSERT_EQ(after.color.height, size);
    const auto glyph = CountPixels(after.color);
    EXPECT_EQ(glyph, DigitAlone(size, digit));
    int top = size, bottom = 0;
    for (const auto& [x, y] : glyph) top = std::min(top, y), bottom = std::max(bottom, y);
    EXPECT_GE(bottom - top + 1, size * 2 / 5) << "a digit " << bottom - top + 1 << " pixels high";
    for (const auto& other : seen) EXPECT_NE(glyph, other);
    seen.push_back(glyph);
  }
}

// The contrast ratio of two colours, as WCAG computes it.
double ContrastRatio(COLORREF a, COLORREF b) {
  const auto lum = [](COLORREF c) {
    double sum = 0;
    for (const auto& [v, w] : {std::pair{GetRValue(c), 0.2126}, {GetGValue(c), 0.7152}, {GetBValue(c), 0.0722}})
      sum += w * (v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4));
    return sum + 0.05;
  };
  return std::max(lum(a), lum(b)) / std::min(lum(a), lum(b));
}

// The attention mark: whole at the tray's size, opaque, away from where a count goes; every other
// pixel shows as before. On a light and on a dark taskbar its rim, the dot's edge and the digit's
// ground keep at least 3:1 against what they sit on, whatever the count's colour.
TEST_P(DrawCountTest, AttentionMarkWholeOpaqueAndApartFromTheCount) {
  const auto [size, alpha] = GetParam();
  UniqueIcon base = MakeIcon(size, alpha);
  const IconPixels before = Read(base.get());
  const std::vector<std::uint8_t> mark = AttentionMark(size);
  for (const DWORD light : {1u, 0u}) {
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, SystemUsesLightTheme, REG_DWORD, &light, 4), 0);
    const PaletteColours palette = ColoursOf(CurrentPalette(Surface::Taskbar));
    const COLORREF ground = palette.menu, edge = ContrastTo(ground);
    UniqueIcon marked(ToHicon(painter.DrawAttention(FromHicon(base.get())))),
        counted(ToHicon(painter.DrawCount(FromHicon(base.get()), 8, true, Count)));
    ASSERT_TRUE(marked && counted);
    const IconPixels after = Read(marked.get()), count = Read(counted.get());
    const COLORREF colours[] = {0, palette.highlight, ContrastTo(palette.highlight), edge};
    EXPECT_GE(ContrastRatio(edge, ground), 3.0) << light;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const std::uint32_t raw = Raw(after.color, x, y);
        const std::uint8_t kind = mark[static_cast<std::size_t>(y * size + x)];
        if (kind == MarkNone) {
          EXPECT_EQ(raw & 0xFFFFFF, Raw(before.color, x, y) & 0xFFFFFF) << x << "," << y;
          EXPECT_EQ(after.mask.at(x, y), before.mask.at(x, y)) << x << "," << y;
          continue;
        }
        EXPECT_EQ(raw >> 24, 255u) << x << "," << y;
        EXPECT_EQ(after.mask.at(x, y) & 0xFFFFFF, 0u) << x << "," << y;
        EXPECT_TRUE(Same(before, count, x, y)) << "the count reaches the mark at " << x << "," << y;
        EXPECT_EQ(raw & 0xFFFFFF, test::Rgb(colours[kind])) << x << "," << y << " on " << light;
      }
    // A count in blue, as the default has it, or in yellow: the digit on black or white, the dot edged.
    for (const COLORREF colour : {RGB(0, 0, 255), RGB(255, 255, 0)}) {
      UniqueIcon digit(ToHicon(painter.DrawCount(FromHicon(base.get()), 7, true, colour))),
          dot(ToHicon(painter.DrawCount(FromHicon(base.get()), 12, true, colour)));
      const IconPixels d = Read(digit.get()), o = Read(dot.get());
      const auto inDot = [&](int x, int y) { return x >= 0 && y < size && !Same(before, o, x, y); };
      std::set<std::uint32_t> drawn;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          if (!Same(before, d, x, y)) drawn.insert(d.color.at(x, y));
          // The dot's border with what was there (left and below; it touches the icon's top right): the edge.
          if (inDot(x, y) && (!inDot(x - 1, y) || !inDot(x, y + 1))) {
            EXPECT_EQ(o.color.at(x, y), test::Rgb(edge)) << x << "," << y << " on " << light;
          }
        }
      EXPECT_EQ(drawn, (std::set<std::uint32_t>{test::Rgb(colour), test::Rgb(ContrastTo(colour))})) << light;
      EXPECT_GE(ContrastRatio(colour, ContrastTo(colour)), 3.0);
    }
  }
  ::RegDeleteKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, SystemUsesLightTheme);
}

INSTANTIATE_TEST_SUITE_P(IconSizes, DrawCountTest,
                         ::testing::Combine(::testing::Values(16, 20, 24, 32), ::testing::Bool()));

TEST(Win32Painter, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(16, 5, 8), 10);
  EXPECT_EQ(RoundHalfEven(32, 3, 8), 12);
  EXPECT_EQ(RoundHalfEven(20, 5, 8), 12);  // 12.5
  EXPECT_EQ(RoundHalfEven(12, 3, 8), 4);   // 4.5
  EXPECT_EQ(RoundHalfEven(20, 3, 8), 8);   // 7.5
  EXPECT_EQ(RoundHalfEven(24, 5, 8), 15);
  EXPECT_EQ(RoundHalfEven(17, 5, 8), 11);  // 10.625
  EXPECT_EQ(RoundHalfEven(0, 5, 8), 0);
}

TEST(Win32Painter, MonochromeIconComesBackAsACopy) {
  Win32Painter painter;
  std::vector<std::uint8_t> bits(2 * 32 * 4, 0x0F);
  UniqueBitmap mask(::CreateBitmap(32, 64, 1, 1, bits.data()));
  ICONINFO info{TRUE, 0, 0, mask.get(), nullptr};
  UniqueIcon mono(::CreateIconIndirect(&info));
  ASSERT_TRUE(mono);
  UniqueIcon copy(ToHicon(painter.DrawCount(FromHicon(mono.get()), 2, true, Count)));
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), mono.get());
  EXPECT_EQ(Read(copy.get()).mask.data, Read(mono.get()).mask.data);
}

TEST(Win32Painter, IconsExistUntilDestroyed) {
  Win32Painter painter;
  const Hicon system = painter.LoadSystemIcon(32512);
  ASSERT_TRUE(system);
  EXPECT_TRUE(painter.IconExists(system));
  EXPECT_FALSE(painter.IconExists(Hicon{}));
  EXPECT_FALSE(painter.LoadIcon("NO_SUCH_ICON"));
  EXPECT_FALSE(painter.DrawCount(Hicon{}, 1, true, Count));

  const Hicon own = painter.DrawCount(system, 1, true, Count);
  ASSERT_TRUE(own);
  EXPECT_TRUE(painter.IconExists(own));
  EXPECT_TRUE(painter.DestroyIcon(own));
  EXPECT_FALSE(painter.IconExists(own));
}

// The program's icons, linked into this test as into Velmora.exe, at each size
// the tray shows: drawn for it, not scaled from another (no blended colours).
TEST(Win32Painter, ResourceIconsOfTheProgram) {
  for (const int size : {16, 20, 24, 32}) {
    Win32Painter painter(size);
    for (const char* name : {"MAINICON", "S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9", "SH"}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
      const Hicon icon = painter.LoadIcon(name);
      ASSERT_TRUE(icon);
      EXPECT_EQ(painter.LoadIcon(name), icon);
      const IconPixels pixels = Read(ToHicon(icon));
      ASSERT_EQ(pixels.color.width, size);
      ASSERT_EQ(pixels.color.height, size);
      std::set<std::uint32_t> colours;
      int blue = 0;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          if (pixels.mask.at(x, y) == 0) {
            colours.insert(pixels.color.at(x, y));
            blue += pixels.color.at(x, y) == test::Rgb(RGB(0, 96, 208));
          }
      EXPECT_GT(blue, size * size / 24);
      EXPECT_LE(colours.size(), 3u);
      // Only the shared icon fills its square; the others stand on a transparent ground.
      EXPECT_EQ(pixels.mask.at(0, 0), std::string(name) == "SH" ? 0u : 0xFFFFFFu);
    }
  }
}

// The handles this process holds. Wine answers 0 from GetGuiResources; there
// the slot a new handle gets stands in, as it grows with every leaked handle.
struct HandleUse {
  long gdi;
  long user;
};

HandleUse MeasureHandles() {
  const DWORD gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  if (gdi && user) return {static_cast<long>(gdi), static_cast<long>(user)};
  UniqueBrush brush(::CreateSolidBrush(0));
  UniqueIcon icon(::CopyIcon(::LoadIconA(nullptr, MAKEINTRESOURCEA(32512))));
  return {static_cast<long>(LOWORD(reinterpret_cast<std::uintptr_t>(brush.get()))),
          static_cast<long>(LOWORD(reinterpret_cast<std::uintptr_t>(icon.get())))};
}

TEST(Win32Painter, DrawingLeaksNoHandles) {
  Win32Painter painter;
  UniqueIcon small = MakeIcon(16), large = MakeIcon(32, true);
  // The measure notices a leak at all.
  {
    const HandleUse start = MeasureHandles();
    std::vector<UniqueBrush> leaked;
    for (int i = 0; i < 200; ++i) leaked.emplace_back(::CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_GE(MeasureHandles().gdi - start.gdi, 150);
  }
  const HandleUse before = MeasureHandles();
  for (int i = 0; i < 2000; ++i) {
    const HICON base = (i & 1) ? small.get() : large.get();
    const Hicon drawn = painter.DrawCount(FromHicon(base), static_cast<std::uint16_t>(i % 12), (i & 2) != 0, Count);
    ASSERT_TRUE(drawn);
    ASSERT_TRUE(painter.DestroyIcon(drawn));
  }
  const HandleUse after = MeasureHandles();
  std::printf("GDI %ld -> %ld, USER %ld -> %ld\n", before.gdi, after.gdi, before.user, after.user);
  EXPECT_LT(after.gdi - before.gdi, 20);
  EXPECT_LT(after.user - before.user, 20);
}

}  // namespace
}  // namespace velmora
