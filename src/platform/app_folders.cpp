#include "platform/app_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velkaro {
namespace {

namespace fs = std::filesystem;

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

std::string ConfigFolder() {
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  return HomeFolder() + "/.config";
}

}  // namespace

std::string ProgramFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  fs::path folder = ec ? fs::current_path(ec) : exe.parent_path();
  std::string text = folder.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

std::string AppDataFolder() {
  std::string folder = ConfigFolder() + "/Velkaro";
  std::error_code ec;
  fs::create_directories(folder, ec);  // a failure shows when the file is written
  return folder;
}

std::string LastDrawPath() { return AppDataFolder() + "/LastDraw.pxj"; }

}  // namespace velkaro
