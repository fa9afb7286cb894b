#pragma once
// The Windows headers the adapters use. Several API names are macros that
// would rename the ports' methods (FindWindow -> FindWindowA, ...), so they
// are removed here and the adapters call the A-functions by their full names.
#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#undef CreateEvent
#undef CreateMutex
#undef FindWindow
#undef GetClassLong
#undef GetClassName
#undef GetModuleFileName
#undef GetWindowText
#undef GetWindowsDirectory
#undef GlobalAddAtom
#undef InsertMenu
#undef LoadIcon
#undef MessageBox
#undef PostMessage
#undef ReplaceFile
#undef SendMessage
#undef SendNotifyMessage
#undef SetProp
#undef GetProp
#undef RemoveProp
#undef RegisterWindowMessage
#undef ShellExecute
#undef Shell_NotifyIcon
