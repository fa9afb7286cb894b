// The tool bar of page buttons, each fitted to its caption.
#include "ui/OptionsDialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/Ports.h"
#include "ui/OptionsLayout.h"
#include "win32/Convert.h"
#include "win32/Dpi.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

using namespace options_layout;

int OptionsDialog::FitPageBar(int dpi) {
  // Each page button as wide as its caption in this language and at this DPI
  // with the room its frame and focus cue take, the room left shared out evenly;
  // where the captions need more, the dialog grows, so that no caption is ever cut.
  const ScreenDc dc(::GetDC(nullptr));  // measuring only: the font decides
  const int minimum = ScaleForDpi(ClientWidth, dpi);
  if (!dc) return minimum;
  SelectGuard font(dc.get(), font_.get());
  int widths[PageCount] = {}, sum = 0;
  for (int i = 0; i < PageCount; ++i) {
    wchar_t caption[64] = {};
    ::GetWindowTextW(Item(PageButtons[i]), caption, 64);
    RECT r{};
    ::DrawTextW(dc.get(), caption, -1, &r, DT_CALCRECT | DT_SINGLELINE);
    sum += widths[i] = r.right - r.left + 2 * PushCaptionRoom(dpi);
  }
  const int gap = ScaleForDpi(1, dpi), margin = ScaleForDpi(2, dpi);
  const int width = std::max(minimum, sum + gap * (PageCount - 1) + 2 * margin);
  const int spare = width - 2 * margin - gap * (PageCount - 1) - sum;
  // In reading order: the tool bar shows them as the tab order visits them.
  const ControlId order[] = {buttonstm, buttonmisc, buttontemp, buttonhotkeys, buttonmarks, buttonabout};
  int left = margin;
  for (int i = 0; i < PageCount; ++i) {
    const int at = static_cast<int>(std::find(PageButtons, PageButtons + PageCount, order[i]) - PageButtons);
    const int w = i + 1 == PageCount ? width - margin - left : widths[at] + spare / PageCount;
    ::MoveWindow(Item(order[i]), left, margin, w, ScaleForDpi(26, dpi), FALSE);
    left += w + gap;
  }
  return width;
}

}  // namespace velmora
