#pragma once
// The DPI of a window and sizes scaled to it. The per-monitor calls exist from
// Windows 10 on; older systems and Wine fall back to the screen's DPI.
#include "win32/Win32Api.h"

namespace velmora {

int WindowDpi(HWND wnd);
inline int ScaleForDpi(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }
// SM_CXSMICON at that DPI.
int SmallIconSize(int dpi);
// The window rectangle for a client rectangle, at that DPI.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace velmora
