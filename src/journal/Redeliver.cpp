#include "journal/Redeliver.h"

#include "journal/Archive.h"
#include "journal/Journal.h"
#include "output/ResultPaths.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "shared/JoinPath.h"

namespace heliotab {

namespace {

// A number is a bare file name: nothing that could leave the folders.
bool PlainNumber(const std::string& number) {
    if (number.empty() || number.size() > 64)
        return false;
    for (char c : number)
        if (!(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z') &&
            c != '_' && c != '-')
            return false;
    return true;
}

const char* OutcomeWord(RedeliverOutcome o) {
    switch (o) {
    case RedeliverOutcome::Done:
        return "done";
    case RedeliverOutcome::NotFound:
        return "not found";
    case RedeliverOutcome::AlreadyThere:
        return "not done, already in the exchange directory";
    case RedeliverOutcome::Failed:
        break;
    }
    return "failed";
}

} // namespace

Redelivery Redeliver(FileSystem& files, const AppState& st, const std::string& number) {
    Redelivery r;
    if (!PlainNumber(number))
        return r;
    r.result = JoinPath(st.AccDirectory, number + ".FAR");
    r.archived = FindArchived(files, st.programDir, number);
    if (r.archived.empty())
        return r;
    if (files.FileExists(r.result)) {
        r.outcome = RedeliverOutcome::AlreadyThere;
        return r;
    }
    const std::string partial = JoinPath(st.AccDirectory, number + "." + kPartialExtension);
    if (files.FileExists(partial))
        files.Delete(partial);
    r.status = files.CopyAndFlush(r.archived, partial);
    if (r.status == FileStatus::Ok)
        r.status = files.Replace(partial, r.result);
    if (r.status != FileStatus::Ok) {
        if (files.FileExists(partial))
            files.Delete(partial);
        r.outcome = RedeliverOutcome::Failed;
        return r;
    }
    r.outcome = RedeliverOutcome::Done;
    return r;
}

int RunRedeliver(AppState& st, FileSystem& files, Journal& journal, Messages& messages,
                 const std::string& number) {
    const Redelivery r = Redeliver(files, st, number);
    journal.Add("REDELIVER", number + " " + OutcomeWord(r.outcome) + " " + r.archived + " -> " +
                                 r.result + " status " + std::to_string(int(r.status)));
    journal.Flush();
    int text = kTextRedeliverFailed;
    std::string tail = " '" + r.result + "'";
    if (r.outcome == RedeliverOutcome::Done)
        text = kTextRedeliverDone;
    else if (r.outcome == RedeliverOutcome::AlreadyThere)
        text = kTextRedeliverPresent;
    else if (r.outcome == RedeliverOutcome::NotFound) {
        text = kTextRedeliverNotFound;
        tail = " '" + number + "'";
    }
    const bool done = r.outcome == RedeliverOutcome::Done;
    messages.ShowMessage(GetLangString(st, text) + tail, GetLangString(st, kTextRedeliverTitle),
                         done ? kStyleInformation : kStyleStop);
    return done ? 0 : 1;
}

} // namespace heliotab
