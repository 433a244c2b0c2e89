// WriteTestResult: the finished test as the reservation's .FAR file.
//
// The hand-over is built so that the booking software never sees half a
// result and a failure never loses one:
//   1. the file is written new in the program folder (.TMP) and flushed;
//   2. it is copied into the exchange directory under a name the booking
//      software does not collect (.FA$) and flushed;
//   3. that copy is renamed onto the .FAR, replacing an older one;
//   4. only then is the reservation deleted and the test disarmed.
// A crash anywhere leaves either no new .FAR with the reservation still in
// place, or a complete .FAR. An older .FAR is kept until the rename replaces
// it, so a failed attempt destroys nothing.
//
// When the result cannot be delivered the operator is told, and everything
// stays as it was before the call: the reservation file, SelectedAccFile,
// ReservationIni's binding and bTestArmed, and the window shows the test
// armed. The tester may simply run the measurement again, which writes the
// result again.
//
// Message boxes are modal and the platform keeps dispatching serial input
// and timers while one is open, so every message is shown only after the
// files, flags and controls are final.
#include "output/ResultWriter.h"

#include <vector>

#include "journal/Archive.h"
#include "journal/Journal.h"
#include "output/PrintReport.h"
#include "output/ResultFormat.h"
#include "output/ResultPaths.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "app/WindowLook.h"

namespace heliotab {

namespace {

struct Message {
    std::string text, title;
    int style;
};

std::string Quoted(const std::string& path) {
    return " '" + path + "'";
}

// A failure on the way into the exchange directory: access errors keep
// their own message; anything else (folder gone, disk full) says that the
// result was not delivered.
Message DeliveryFailure(AppState& st, FileStatus status, const std::string& resultPath) {
    if (status == FileStatus::Access)
        return {GetLangString(st, kTextAccessText), GetLangString(st, kTextAccessTitle),
                kStyleStop};
    return {GetLangString(st, kTextNotDeliveredText) + Quoted(resultPath),
            GetLangString(st, kTextWriteTitle), kStyleStop};
}

// Windows names compare without regard to case.
bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x == '/')
            x = '\\';
        if (y == '/')
            y = '\\';
        if (x != y)
            return false;
    }
    return true;
}

void DeleteIfExists(FileSystem& files, const std::string& path) {
    if (files.FileExists(path))
        files.Delete(path);
}

// The test is over: the vehicle and operator go, and the list waits for the
// next vehicle. Done last, so that the operator reads "result written"
// beside the vehicle it belongs to.
void ClearVehicle(Station& s) {
    for (int i = 0; i < 3; ++i)
        s.view.SetVehicleLabel(i, "");
    s.view.SetOperatorLabel("");
    s.view.SetComboText(GetLangString(s.state, kTextSelectReservation));
}

// The step that failed and how, for the journal.
struct Failure {
    const char* step;
    FileStatus status;
};

bool Fail(Station& s, const ResultPaths& p, const std::string& boundBefore, const Failure& f,
          const Message& m) {
    s.journal.Add("NOT DELIVERED", p.result + " " + f.step + " " + FileStatusName(f.status));
    DeleteIfExists(s.files, p.partial);
    DeleteIfExists(s.files, p.temp);
    // Keep the store on the reservation, so that a repeated measurement
    // answers the same reservation file.
    s.state.ReservationIni.SetIniFile(boundBefore);
    // The test stays armed for a repeated measurement, and can still be stopped.
    if (s.state.bTestArmed)
        ShowArmedLook(s);
    s.messages.ShowMessage(m.text, m.title, m.style);
    return false;
}

// A copy in the archive, once the station keeps its records (its journal
// is open). A copy that fails is journalled and changes nothing else.
void ArchiveDelivered(Station& s, const std::string& result) {
    if (!s.journal.IsOpen())
        return;
    FileStatus status = FileStatus::Ok;
    const std::string copy =
        ArchiveResult(s.files, s.state.programDir, result, s.clock.Now(), status);
    if (copy.empty())
        s.journal.Add("NOT ARCHIVED", result + " " + FileStatusName(status));
    else
        s.journal.Add("ARCHIVED", copy);
}

} // namespace

bool WriteTestResult(Station& s, const FarResult& result) {
    AppState& st = s.state;
    FileSystem& files = s.files;
    const std::string boundBefore = st.ReservationIni.IniFile();
    const ResultPaths p = ComputeResultPaths(st);
    st.ReservationIni.SetIniFile(p.temp);

    if (const FileStatus written = files.WriteNew(p.temp, BuildResultFile(result));
        written != FileStatus::Ok)
        return Fail(
            s, p, boundBefore, {"writing the temporary file", written},
            {GetLangString(st, kTextWriteText), GetLangString(st, kTextWriteTitle), kStyleStop});

    // A partial copy left by an interrupted attempt goes first: the copy
    // below creates its file new.
    if (files.FileExists(p.partial)) {
        const FileStatus stale = files.Delete(p.partial);
        if (stale != FileStatus::Ok)
            return Fail(s, p, boundBefore, {"deleting a partial copy", stale},
                        DeliveryFailure(st, stale, p.result));
    }
    FileStatus status = files.CopyAndFlush(p.temp, p.partial);
    const char* step = "copying into the exchange directory";
    if (status == FileStatus::Ok) {
        status = files.Replace(p.partial, p.result);
        step = "renaming onto the result";
    }
    if (status != FileStatus::Ok)
        return Fail(s, p, boundBefore, {step, status}, DeliveryFailure(st, status, p.result));
    s.journal.Add("DELIVERED", p.result);
    ArchiveDelivered(s, p.result);

    // The result is in place: from here on nothing undoes it.
    std::vector<Message> warnings;
    st.bTestArmed = false;
    // A reservation that already carries the result's name is the result now.
    if (!st.SelectedAccFile.empty() && !SamePath(p.reservation, p.result)) {
        // A reservation the booking software already took back is no fault.
        const FileStatus gone = files.Delete(p.reservation);
        if (gone != FileStatus::Ok && gone != FileStatus::NotFound)
            warnings.push_back({GetLangString(st, kTextReservationKeptText) + Quoted(p.reservation),
                                GetLangString(st, kTextWarningTitle), kStyleExclamation});
    }
    st.SelectedAccFile.clear();

    // The list is open again (with the keyboard) for the next vehicle.
    EnableIdleControls(s);
    s.view.FocusCombo();
    if (!st.bCloseAfterTest)
        s.messages.ShowMessage(GetLangString(st, kTextDoneText) + Quoted(p.result),
                               GetLangString(st, kTextDoneTitle), kStyleInformation);

    // The report is printed from p.temp with p.result as its title, so it
    // runs here, before p.temp goes. The result is delivered whatever the
    // printer does: PrintReport tells its own failures and we go on.
    if (st.bPrintReport)
        PrintReport(s, p.temp, p.result);

    if (files.Delete(p.temp) == FileStatus::Access)
        warnings.push_back(
            {GetLangString(st, kTextAccessText), GetLangString(st, kTextAccessTitle), kStyleStop});
    for (const Message& m : warnings)
        s.messages.ShowMessage(m.text, m.title, m.style);
    ClearVehicle(s);

    // Closing waits until the print dialog is answered and every warning
    // read: the close timer would otherwise end the program under a box.
    if (st.bCloseAfterTest)
        st.bClosePending = true;
    return true;
}

} // namespace heliotab
