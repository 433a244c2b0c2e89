// Whole-file replacement for the portable store on Windows (only the
// differential test uses the portable store there): a temporary file beside
// the target, flushed, then moved over it.
#include <windows.h>

#include <algorithm>
#include <string>

#include "profile/ProfileStore.h"
#include "win32/ScopedWin_win32.h"

namespace heliotab {

bool WriteFileWhole(const std::string& path, const std::string& bytes) {
    const std::string tmp = path + ".~" + std::to_string(GetCurrentProcessId()) + ".tmp";
    ScopedHandle h = OwnFile(CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        ok = WriteFile(h.Get(), bytes.data() + done, chunk, &n, nullptr) && n > 0;
        done += n;
    }
    if (ok && !FlushFileBuffers(h.Get()))
        ok = false;
    h.Reset(); // closed before the move
    if (ok &&
        !MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = false;
    if (!ok)
        DeleteFileA(tmp.c_str());
    return ok;
}

} // namespace heliotab
