#include "text/Help.h"

#include <string>

#include "platform/WinConst.h"

namespace velmora {

bool OpenHelpFile(Shell& shell, const TextTable& texts, std::string_view folder) {
  std::string dir(folder);
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  if (!shell.FileExists(dir + "velmora.chm")) return false;
  const std::string topic = "velmora.chm::/" + std::string(texts[TextId::HelpPage]);
  shell.ShellExecute("open", "hh.exe", topic, folder, win::SW_SHOWMAXIMIZED);
  return true;
}

}  // namespace velmora
