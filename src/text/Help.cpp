#include "text/Help.h"

#include <string>

#include "platform/WinConst.h"

namespace velmora {

bool OpenHelpFile(Shell& shell, const TextTable& texts, std::string_view folder) {
  std::string dir(folder);
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  // The system's viewer by its full path: an "hh.exe" beside Velmora is never the one started.
  const std::string windows = shell.GetWindowsDirectory();
  if (windows.empty() || !shell.FileExists(dir + "velmora.chm")) return false;
  const std::string topic = "velmora.chm::/" + std::string(texts[TextId::HelpPage]);
  shell.ShellExecute("open", windows + "\\hh.exe", topic, folder, win::SW_SHOWMAXIMIZED);
  return true;
}

}  // namespace velmora
