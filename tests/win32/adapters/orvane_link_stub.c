/* Stand-in for LibOrvane.dll, only so that the adapter tests link while the
   real library is not part of the build. Installs nothing. */
#include "hook/LibOrvane.h"

int SetHook(void) { return 0; }
void UnSetHook(void) {}
