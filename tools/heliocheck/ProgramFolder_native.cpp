#include "heliocheck/ProgramFolder.h"

#include <filesystem>
#include <system_error>

namespace heliotab::heliocheck {

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string() + "/";
}

} // namespace heliotab::heliocheck
