#pragma once
// A name for screen readers on a control whose own text does not say what it
// is for (a track bar, the colour list, a hotkey's key text): the system's own
// accessible object of the control, with only its name given by Velmora.
#include <string>

#include "win32/Win32Api.h"

namespace velmora {

// The answer to WM_GETOBJECT for the control's client object (OBJID_CLIENT):
// the system's object under the given name; 0 for any other object, which the
// control's own window procedure then answers.
LRESULT AnswerGetObject(HWND control, WPARAM wParam, LPARAM lParam, const std::wstring& name);

}  // namespace velmora
