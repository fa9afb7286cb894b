#pragma once
// The help file, velmora.chm beside Velmora.exe, opened at the page of the user's language.
#include <string_view>

#include "platform/Shell.h"
#include "text/Texts.h"

namespace velmora {

// The help viewer on the table's page, with the file named relative to the
// program's folder (with or without its trailing backslash): the viewer takes
// its command line in the ANSI code page, which may not spell the folder.
// False when the file is missing.
bool OpenHelpFile(Shell& shell, const TextTable& texts, std::string_view folder);

}  // namespace velmora
