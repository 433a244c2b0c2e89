// Where heliotab.exe itself lies.
#pragma once

#include <string>

namespace heliotab {

// The program's full path at any length; empty when it cannot be read.
std::string ProgramPath();
// Its file name without the extension ("heliotab").
std::string ProgramBaseName();

} // namespace heliotab
