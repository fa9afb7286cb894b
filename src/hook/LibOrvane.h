#pragma once
// The two exports of LibOrvane.dll that Velmora.exe calls (linked at load time).
#ifdef __cplusplus
extern "C" {
#endif

#ifdef LIBORVANE_BUILD
#define LIBORVANE_API __declspec(dllexport)
#else
#define LIBORVANE_API __declspec(dllimport)
#endif

// Installs the hooks; the block's MainWindow must be stored first. Non-zero on success.
LIBORVANE_API int SetHook(void);
// Removes the hooks; the block's MainWindow is set to 0 first.
LIBORVANE_API void UnSetHook(void);

#ifdef __cplusplus
}
#endif
