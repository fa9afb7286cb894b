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

void OptionsDialog::FitPageBar(int dpi) {
  // Each page button as wide as its caption in this language and at this DPI,
  // the room left shared out evenly, so that no caption is ever cut.
  const ScreenDc dc(::GetDC(hwnd_));
  if (!dc) return;
  SelectGuard font(dc.get(), font_.get());
  int widths[PageCount] = {}, sum = 0;
  for (int i = 0; i < PageCount; ++i) {
    wchar_t caption[64] = {};
    ::GetWindowTextW(Item(PageButtons[i]), caption, 64);
    RECT r{};
    ::DrawTextW(dc.get(), caption, -1, &r, DT_CALCRECT | DT_SINGLELINE);
    sum += widths[i] = r.right - r.left;
  }
  const int gap = ScaleForDpi(1, dpi), room = ScaleForDpi(ClientWidth - 4, dpi) - gap * (PageCount - 1);
  const int spare = std::max(0, room - sum);
  // In reading order: the tool bar shows them as the tab order visits them.
  const ControlId order[] = {buttonstm, buttonmisc, buttontemp, buttonhotkeys, buttonmarks, buttonabout};
  int left = ScaleForDpi(2, dpi);
  for (int i = 0; i < PageCount; ++i) {
    const int at = static_cast<int>(std::find(PageButtons, PageButtons + PageCount, order[i]) - PageButtons);
    const int width = i + 1 == PageCount ? ScaleForDpi(ClientWidth - 2, dpi) - left : widths[at] + spare / PageCount;
    ::MoveWindow(Item(order[i]), left, ScaleForDpi(2, dpi), width, ScaleForDpi(26, dpi), FALSE);
    left += width + gap;
  }
}

}  // namespace velmora
