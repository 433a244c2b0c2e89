#include "output/ResultPaths.h"

namespace heliotab {

namespace {

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

size_t NameStart(const std::string& path) {
    const size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? 0 : sep + 1;
}

// The path up to and including the last "." of its file name; a name
// without a dot gets one, so "FAR" never swallows the name.
std::string UpToExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < NameStart(path)) return path + ".";
    return path.substr(0, dot + 1);
}

}  // namespace

ResultPaths ComputeResultPaths(const AppState& st) {
    ResultPaths p;
    std::string folder = st.programDir;
    if (!EndsWithSeparator(folder)) folder += '\\';
    if (st.SelectedAccFile.empty()) {
        p.result = st.AccDirectory + "Test.FAR";
        p.partial = st.AccDirectory + "Test." + kPartialExtension;
        p.temp = folder + "Test.TMP";
        return p;
    }
    p.reservation = st.ReservationIni.IniFile();
    if (p.reservation.empty()) p.reservation = st.AccDirectory + st.SelectedAccFile;
    const std::string base = UpToExtension(p.reservation);
    p.result = base + "FAR";
    p.partial = base + kPartialExtension;
    p.temp = folder + UpToExtension(p.reservation.substr(NameStart(p.reservation))) + "TMP";
    return p;
}

}  // namespace heliotab
