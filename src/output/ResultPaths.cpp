#include "output/ResultPaths.h"

#include "shared/JoinPath.h"

namespace heliotab {

namespace {

size_t NameStart(const std::string& path) {
    const size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? 0 : sep + 1;
}

// The path up to and including the last "." of its file name; a name
// without a dot gets one, so "FAR" never swallows the name.
std::string UpToExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < NameStart(path))
        return path + ".";
    return path.substr(0, dot + 1);
}

} // namespace

ResultPaths ComputeResultPaths(const AppState& st) {
    ResultPaths p;
    if (st.SelectedAccFile.empty()) {
        p.result = JoinPath(st.AccDirectory, "Test.FAR");
        p.partial = JoinPath(st.AccDirectory, std::string("Test.") + kPartialExtension);
        p.temp = JoinPath(st.programDir, "Test.TMP");
        return p;
    }
    p.reservation = st.ReservationIni.IniFile();
    if (p.reservation.empty())
        p.reservation = JoinPath(st.AccDirectory, st.SelectedAccFile);
    const std::string base = UpToExtension(p.reservation);
    p.result = base + "FAR";
    p.partial = base + kPartialExtension;
    p.temp = JoinPath(st.programDir,
                      UpToExtension(p.reservation.substr(NameStart(p.reservation))) + "TMP");
    return p;
}

} // namespace heliotab
