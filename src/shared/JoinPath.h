// A file name inside a folder given as the settings and the platform give
// folders: with or without its final "\" ("C:\MCTC\DIR_FAR" and
// "C:\MCTC\DIR_FAR\" are the same folder, and a drive root "C:\" gets no
// second one). Every path built from a folder and a name goes through this,
// so the list, the selection, the result and the delete agree on the file.
#pragma once

#include <string>

namespace heliotab {

// folder, "\" unless the folder already ends with "\", "/" or ":" (a drive
// such as "C:"), then name. An empty folder gives the bare name.
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace heliotab
