#pragma once
// Windows of shared classes and their keys, for the program's code (unit
// tests) and the hook library (contract test) alike: the two never disagree.
// The key of a window of `cls` in a program "<exe>" is "<exe>" followed by
// `suffix`, or the class itself where `suffix` is empty.
namespace velmora::test {

struct ClassKeyCase {
  const char* cls;
  const char* suffix;
};

inline constexpr ClassKeyCase ClassKeyCases[] = {
    {"Chrome_WidgetWin_1", "|Chrome_WidgetWin"},
    {"Chrome_WidgetWin_0", "|Chrome_WidgetWin"},
    {"Chrome_WidgetWin_", ""},
    {"Chrome_WidgetWin_1x", ""},
    {"HwndWrapper[wpfapp.exe;;6b3f4a0c-8d0e-4f0a-9c1e-2a7b5d9e0f11]", "|HwndWrapper"},
    {"WindowsForms10.Window.8.app.0.141b42a_r6_ad1", "|WindowsForms10"},
    {"Qt5QWindowIcon", "|QtWindow"},
    {"Qt6100QWindowToolSaveBits", "|QtWindow"},
    {"QtTool", ""},
    {"SunAwtFrame", "|SunAwt"},
    {"SunAwtDialog", "|SunAwt"},
    {"MozillaWindowClass", "|Mozilla"},
    {"MozillaDialogClass", "|Mozilla"},
    {"GLFW30", "|GLFW30"},
    {"SDL_app", "|SDL_app"},
    {"TkTopLevel", "|TkTopLevel"},
    {"AutoHotkeyGUI", "|AutoHotkeyGUI"},
    {"wxWindowNR", "|wxWindow"},
    {"#32770", "|#32770"},
    {"Afx:00400000:8:00010003", "|Afx"},
    // Windows compares class names without regard to case; the family is spelled one way.
    {"Qt5QWINDOWICON", "|QtWindow"},
    {"chrome_widgetwin_1", "|Chrome_WidgetWin"},
    {"sdl_APP", "|SDL_app"},
    {"AfxFrameOrView140u", "|Afx"},
    {"AfxWnd140u", "|Afx"},
    {"ATL:00007FF6A1B20000", "|ATL"},
    {"gdkWindowToplevel", "|gdkWindowToplevel"},
    {"GlassWndClass-GlassWindowClass-3", "|GlassWndClass"},
    {"WinUIDesktopWin32WindowClass", "|WinUIDesktopWin32WindowClass"},
    {"FLUTTER_RUNNER_WIN32_WINDOW", "|FLUTTER_RUNNER_WIN32_WINDOW"},
    {"UnityWndClass", "|UnityWndClass"},
    {"Notepad", ""},
    {"TkChild", ""},
};

}  // namespace velmora::test
