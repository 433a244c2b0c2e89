// POSIX file services for the native build: the unit tests, benchmarks and
// tools run the core against real files through this.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "shared/FileSystems.h"

namespace heliotab {

std::string NativePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

namespace {

FileStatus FromErrno(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        return FileStatus::NotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
        return FileStatus::Access;
    default:
        return FileStatus::Other;
    }
}

// Windows' read-only attribute is the absence of every write bit here. The
// mode is looked at rather than access(2), which always says yes to root.
bool IsReadOnly(const struct stat& sb) {
    return (sb.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Writes all of data to fd and flushes it; errno-based status.
FileStatus WriteAllAndSync(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t w = write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return FromErrno(errno);
        }
        done += static_cast<size_t>(w);
    }
    if (fsync(fd) != 0)
        return FromErrno(errno);
    return FileStatus::Ok;
}

class NativeFileSystem : public FileSystem {
public:
    std::vector<std::string> ListFiles(const std::string& directory,
                                       const std::string& pattern) override {
        std::vector<std::string> names;
        const std::string dir = NativePath(directory.empty() ? std::string(".") : directory);
        DIR* d = opendir(dir.c_str());
        if (!d)
            return names;
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            // Dot files stand in for hidden files here.
            if (name.empty() || name[0] == '.')
                continue;
            if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0)
                continue;
            struct stat sb;
            std::string full = dir;
            if (full.back() != '/')
                full += '/';
            full += name;
            if (stat(full.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode))
                continue;
            names.push_back(name);
        }
        closedir(d);
        return names;
    }

    bool FileExists(const std::string& path) override {
        struct stat sb;
        return stat(NativePath(path).c_str(), &sb) == 0 && S_ISREG(sb.st_mode);
    }

    FileStatus ReadAll(const std::string& path, std::string& contents) override {
        contents.clear();
        const std::string p = NativePath(path);
        struct stat sb;
        if (stat(p.c_str(), &sb) == 0 && !S_ISREG(sb.st_mode))
            return FileStatus::Access;
        FILE* f = std::fopen(p.c_str(), "rb");
        if (!f)
            return FromErrno(errno);
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            contents.append(buf, n);
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        return failed ? FileStatus::Other : FileStatus::Ok;
    }

    FileStatus Delete(const std::string& path) override {
        const std::string p = NativePath(path);
        struct stat sb;
        if (stat(p.c_str(), &sb) != 0)
            return FromErrno(errno);
        if (!S_ISREG(sb.st_mode))
            return FileStatus::Access;
        // A read-only file cannot be deleted on Windows; keep that here too.
        if (IsReadOnly(sb))
            return FileStatus::Access;
        return unlink(p.c_str()) == 0 ? FileStatus::Ok : FromErrno(errno);
    }

    FileStatus CopyAndFlush(const std::string& src, const std::string& dst) override {
        std::string data;
        FileStatus st = ReadAll(src, data);
        if (st != FileStatus::Ok)
            return st;
        const std::string p = NativePath(dst);
        int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            return errno == EEXIST ? FileStatus::Access : FromErrno(errno);
        return FinishWrite(fd, p, data);
    }

    FileStatus WriteNew(const std::string& path, const std::string& bytes) override {
        const std::string p = NativePath(path);
        struct stat sb;
        // Windows will not truncate a read-only file or open a folder for writing.
        if (stat(p.c_str(), &sb) == 0 && (!S_ISREG(sb.st_mode) || IsReadOnly(sb)))
            return FileStatus::Access;
        int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return FromErrno(errno);
        return FinishWrite(fd, p, bytes);
    }

    FileStatus Replace(const std::string& src, const std::string& dst) override {
        const std::string d = NativePath(dst);
        struct stat sb;
        // Windows refuses to replace a read-only file or a folder; so do we.
        if (stat(d.c_str(), &sb) == 0 && (!S_ISREG(sb.st_mode) || IsReadOnly(sb)))
            return FileStatus::Access;
        if (rename(NativePath(src).c_str(), d.c_str()) != 0)
            return FromErrno(errno);
        // Make the rename itself durable.
        std::string dir =
            d.substr(0, d.find_last_of('/') == std::string::npos ? 0 : d.find_last_of('/'));
        if (dir.empty())
            dir = ".";
        int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
        return FileStatus::Ok;
    }

    FileStatus Append(const std::string& path, const std::string& bytes) override {
        const std::string p = NativePath(path);
        struct stat sb;
        if (stat(p.c_str(), &sb) == 0 && (!S_ISREG(sb.st_mode) || IsReadOnly(sb)))
            return FileStatus::Access;
        int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0)
            return FromErrno(errno);
        size_t done = 0;
        FileStatus st = FileStatus::Ok;
        while (done < bytes.size() && st == FileStatus::Ok) {
            const ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
            if (w >= 0)
                done += static_cast<size_t>(w);
            else if (errno != EINTR)
                st = FromErrno(errno);
        }
        if (close(fd) != 0 && st == FileStatus::Ok)
            st = FileStatus::Other;
        return st;
    }

    FileStatus CreateFolder(const std::string& path) override {
        const std::string p = NativePath(path);
        struct stat sb;
        if (stat(p.c_str(), &sb) == 0)
            return S_ISDIR(sb.st_mode) ? FileStatus::Ok : FileStatus::Access;
        return mkdir(p.c_str(), 0755) == 0 ? FileStatus::Ok : FromErrno(errno);
    }

    std::vector<std::string> ListFolders(const std::string& directory) override {
        std::vector<std::string> names;
        const std::string dir = NativePath(directory);
        DIR* d = opendir(dir.c_str());
        if (!d)
            return names;
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            struct stat sb;
            if (name[0] != '.' && stat((dir + "/" + name).c_str(), &sb) == 0 && S_ISDIR(sb.st_mode))
                names.push_back(name);
        }
        closedir(d);
        return names;
    }

    FileStatus RemoveFolder(const std::string& path) override {
        return rmdir(NativePath(path).c_str()) == 0 ? FileStatus::Ok : FromErrno(errno);
    }

private:
    // Writes, flushes and closes fd; on any failure the half-written file goes.
    static FileStatus FinishWrite(int fd, const std::string& nativePath, const std::string& data) {
        FileStatus st = WriteAllAndSync(fd, data);
        if (close(fd) != 0 && st == FileStatus::Ok)
            st = FileStatus::Other;
        if (st != FileStatus::Ok)
            unlink(nativePath.c_str());
        return st;
    }
};

} // namespace

FileSystem& DefaultFileSystem() {
    static NativeFileSystem fs;
    return fs;
}

} // namespace heliotab
