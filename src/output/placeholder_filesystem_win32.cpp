// PLACEHOLDER (development only): replaced by the Win32 FileSystem.
#include "shared/FileSystems.h"
namespace heliotab {
namespace { struct NullFs : FileSystem {
    std::vector<std::string> ListFiles(const std::string&, const std::string&) override { return {}; }
    bool FileExists(const std::string&) override { return false; }
    FileStatus ReadAll(const std::string&, std::string&) override { return FileStatus::NotFound; }
    FileStatus Delete(const std::string&) override { return FileStatus::NotFound; }
    FileStatus CopyAndFlush(const std::string&, const std::string&) override { return FileStatus::Other; }
    FileStatus Replace(const std::string&, const std::string&) override { return FileStatus::Other; }
}; }
FileSystem& DefaultFileSystem() { static NullFs f; return f; }
std::string NativePath(const std::string& p) { return p; }
}
