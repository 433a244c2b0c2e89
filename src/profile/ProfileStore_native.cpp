// Whole-file replacement for the portable store on POSIX: write a temporary
// file beside the target, fsync it, rename it over the target (atomic on a
// local file system), so a crash never leaves half a settings file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "profile/ProfileStore.h"

namespace heliotab {

bool WriteFileWhole(const std::string& path, const std::string& bytes) {
    // A read-only file keeps its contents, as on Windows (rename would
    // replace it regardless of its own permissions).
    struct stat sb;
    if (stat(path.c_str(), &sb) == 0) {
        if (!S_ISREG(sb.st_mode) || access(path.c_str(), W_OK) != 0)
            return false;
    }
    // One temporary name per process, so two programs writing at once never
    // share a half-written file.
    const std::string tmp = path + ".~" + std::to_string(getpid()) + ".tmp";
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (ok && fsync(fd) != 0)
        ok = false;
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(tmp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

} // namespace heliotab
