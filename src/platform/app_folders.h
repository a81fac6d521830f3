#pragma once
// Where the program finds its own files and keeps the user's.

#include <string>

namespace velkaro {

// Folder of the running executable, with a trailing "/". The data files
// (layer definitions, presets, link file) lie beside the executable.
std::string ProgramFolder();

// The user's application-data folder: $XDG_CONFIG_HOME/Velkaro, or
// ~/.config/Velkaro when XDG_CONFIG_HOME is unset, empty or relative. Created
// when missing; no trailing "/".
std::string AppDataFolder();

// The settings file of the last successful job: AppDataFolder() + "/LastDraw.pxj".
std::string LastDrawPath();

}  // namespace velkaro
