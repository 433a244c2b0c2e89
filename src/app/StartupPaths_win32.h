// Where the program lives and what it was started with.
#pragma once

#include <string>

namespace heliotab {

// The folder of a module path: no trailing '\' unless it is a drive root.
std::string FolderOf(const std::string& modulePath);
// The folder of heliotab.exe, at any length.
std::string ProgramFolder();
// The command line after the program name (quoted or not) and the blanks after it.
std::string CommandLineArguments(const std::string& fullCommandLine);

} // namespace heliotab
