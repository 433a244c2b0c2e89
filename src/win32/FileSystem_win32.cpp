// Win32 file services of heliotab.exe: the exchange directory and the
// program folder. Plain ANSI calls, paths as the program builds them.
// ReplaceFileA is not used: it is not atomic everywhere (Wine removes the
// target first), while MoveFileExA onto an existing name is one rename.
#include <windows.h>

#include <algorithm>

#include "shared/FileSystems.h"
#include "shared/JoinPath.h"
#include "win32/ScopedWin_win32.h"

namespace heliotab {

std::string NativePath(const std::string& path) {
    return path;
}

namespace {

FileStatus FromError(DWORD e) {
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
        return FileStatus::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return FileStatus::Access;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    default:
        return FileStatus::Other;
    }
}

FileStatus LastError() {
    return FromError(GetLastError());
}

// Writes all of data and flushes it to disk.
FileStatus WriteAndFlush(HANDLE h, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h, data.data() + done, chunk, &written, nullptr))
            return LastError();
        if (written == 0)
            return FileStatus::Other;
        done += written;
    }
    if (!FlushFileBuffers(h))
        return LastError();
    return FileStatus::Ok;
}

// Creates path with the given disposition, writes, flushes and closes it;
// a failed write removes the half-written file.
FileStatus CreateAndWrite(const std::string& path, DWORD disposition, const std::string& data) {
    ScopedHandle h = OwnFile(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return LastError();
    FileStatus st = WriteAndFlush(h.Get(), data);
    if (!CloseNow(h) && st == FileStatus::Ok)
        st = FileStatus::Other;
    if (st != FileStatus::Ok)
        DeleteFileA(path.c_str());
    return st;
}

class Win32FileSystem : public FileSystem {
public:
    std::vector<std::string> ListFiles(const std::string& directory,
                                       const std::string& pattern) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        const ScopedFind find(FindFirstFileA(JoinPath(directory, pattern).c_str(), &fd));
        if (!find)
            return names;
        do {
            if (fd.dwFileAttributes &
                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                continue;
            names.push_back(fd.cFileName);
        } while (FindNextFileA(find.Get(), &fd));
        return names;
    }

    bool FileExists(const std::string& path) override {
        const DWORD a = GetFileAttributesA(path.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    FileStatus ReadAll(const std::string& path, std::string& contents) override {
        contents.clear();
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES)
            return LastError();
        if (a & FILE_ATTRIBUTE_DIRECTORY)
            return FileStatus::Access;
        const ScopedHandle h =
            OwnFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h)
            return LastError();
        char buf[65536];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(h.Get(), buf, sizeof buf, &got, nullptr)) {
                const FileStatus st = LastError();
                contents.clear();
                return st;
            }
            if (got == 0)
                break;
            contents.append(buf, got);
        }
        return FileStatus::Ok;
    }

    FileStatus Delete(const std::string& path) override {
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES)
            return LastError();
        // A folder is not a file to delete; a read-only file stays, as
        // DeleteFileA documents.
        if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
            return FileStatus::Access;
        return DeleteFileA(path.c_str()) ? FileStatus::Ok : LastError();
    }

    FileStatus WriteNew(const std::string& path, const std::string& bytes) override {
        // CREATE_ALWAYS on a read-only file fails on Windows as documented;
        // checked here too, since Wine lets a root user truncate it.
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a != INVALID_FILE_ATTRIBUTES &&
            (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
            return FileStatus::Access;
        return CreateAndWrite(path, CREATE_ALWAYS, bytes);
    }

    FileStatus CopyAndFlush(const std::string& src, const std::string& dst) override {
        std::string data;
        const FileStatus st = ReadAll(src, data);
        if (st != FileStatus::Ok)
            return st;
        return CreateAndWrite(dst, CREATE_NEW, data);
    }

    FileStatus Replace(const std::string& src, const std::string& dst) override {
        // Windows refuses to replace a read-only file; say so before trying.
        const DWORD a = GetFileAttributesA(dst.c_str());
        if (a != INVALID_FILE_ATTRIBUTES &&
            (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
            return FileStatus::Access;
        if (!MoveFileExA(src.c_str(), dst.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return LastError();
        return FileStatus::Ok;
    }

    FileStatus Append(const std::string& path, const std::string& bytes) override {
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a != INVALID_FILE_ATTRIBUTES &&
            (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
            return FileStatus::Access;
        ScopedHandle h = OwnFile(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h)
            return LastError();
        DWORD written = 0;
        if (!WriteFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            return LastError();
        if (!CloseNow(h) || written != bytes.size())
            return FileStatus::Other;
        return FileStatus::Ok;
    }

    FileStatus CreateFolder(const std::string& path) override {
        if (CreateDirectoryA(path.c_str(), nullptr))
            return FileStatus::Ok;
        const DWORD a = GetFileAttributesA(path.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
            return FileStatus::Ok;
        return LastError();
    }

    std::vector<std::string> ListFolders(const std::string& directory) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        const ScopedFind find(FindFirstFileA(JoinPath(directory, "*").c_str(), &fd));
        if (!find)
            return names;
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.')
                names.push_back(fd.cFileName);
        } while (FindNextFileA(find.Get(), &fd));
        return names;
    }

    FileStatus RemoveFolder(const std::string& path) override {
        return RemoveDirectoryA(path.c_str()) ? FileStatus::Ok : LastError();
    }
};

} // namespace

FileSystem& DefaultFileSystem() {
    static Win32FileSystem fs;
    return fs;
}

} // namespace heliotab
