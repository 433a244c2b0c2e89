#include "shared/JoinPath.h"

namespace heliotab {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    const char last = folder.back();
    if (last == '\\' || last == '/' || last == ':')
        return folder + name;
    return folder + "\\" + name;
}

} // namespace heliotab
