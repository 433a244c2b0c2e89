// ValidateReservation. The reservation is read once into memory and every
// section and key search runs over its lines; the masks are read once each.
// The checks themselves, and which of them end the run with a message, are
// those of the line-by-line reader the masks were written for:
//   - line count first (no message),
//   - per mask section: header search from the top, then per key a search
//     from just below the header that stops at the key or at the next line
//     without "=" holding "[" (running off the end is a reading failure),
//   - value line rules, then the descriptor (FieldRules).
// A mask that cannot be applied ends the run with its message; invalid
// values only make the result False and the caller tells the operator.
// Every failed check is also a Refusal for the caller that asks for them.
#include "reservation/Validator.h"

#include <string_view>
#include <vector>

#include "reservation/FieldRules.h"
#include "reservation/IniText.h"
#include "reservation/Reservation.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "shared/JoinPath.h"

namespace heliotab {

namespace {

struct Line {
    std::string_view text;
    std::string_view key; // before the first "=", empty without one
    std::string_view value;
    bool hasEquals = false;
    bool hasBracket = false;
};

struct Mask {
    std::string name; // file name without directory, as the messages show it
    bool vehicle = false;
    IniText ini;
};

enum class Stop { Continue, Done };

// Class 1 (heavy, not a bus) leaves the bus section of the vehicle mask out.
bool SkipSection(const Mask& mask, const std::string& section, int vehicleClass) {
    return mask.vehicle && vehicleClass == 1 && section == kSectionBus;
}

// Where the failed checks of one file go, when the caller wants them.
struct Refusals {
    std::vector<Refusal>* out;
    const std::string& file;

    void Add(RefusalRule rule, const std::string& section = {}, const std::string& key = {},
             std::string_view value = {}, const std::string& detail = {}) const {
        if (out)
            out->push_back({file, section, key, std::string(value), rule, detail});
    }
};

class Run {
public:
    Run(AppState& st, Messages& messages, const Refusals& refusals, const std::vector<Line>& lines,
        int vehicleClass)
        : st_(st), messages_(messages), refusals_(refusals), lines_(lines),
          vehicleClass_(vehicleClass) {}

    bool valid = true;

    // Validates every section of one mask. Done: a message was shown and
    // the run ends with False.
    Stop CheckMask(const Mask& mask) {
        for (const std::string& section : mask.ini.SectionNames()) {
            if (SkipSection(mask, section, vehicleClass_))
                continue;
            const std::vector<std::string> keys = mask.ini.KeyNames(section);
            if (keys.empty())
                continue; // counted as nothing, so expected as nothing
            size_t header = 0;
            if (!FindHeader(section, header)) {
                refusals_.Add(RefusalRule::MissingSection, section);
                valid = false;
                continue;
            }
            for (const std::string& key : keys)
                if (CheckKey(mask, section, key, header + 1) == Stop::Done)
                    return Stop::Done;
        }
        return Stop::Continue;
    }

private:
    bool FindHeader(const std::string& section, size_t& at) const {
        const size_t n = section.size() + 2;
        for (size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view t = lines_[i].text;
            if (t.size() == n && t.front() == '[' && t.back() == ']' &&
                t.substr(1, n - 2) == section) {
                at = i;
                return true;
            }
        }
        return false;
    }

    Stop CheckKey(const Mask& mask, const std::string& section, const std::string& key,
                  size_t from) {
        const std::string descriptor = mask.ini.Value(section, key);
        size_t i = from;
        for (; i < lines_.size(); ++i) {
            const Line& l = lines_[i];
            if (l.hasEquals ? l.key == key : l.hasBracket)
                break;
        }
        if (i == lines_.size()) {
            refusals_.Add(RefusalRule::KeyPastEnd, section, key);
            return ReadingFailure();
        }
        const Line& l = lines_[i];
        if (!l.hasEquals) { // stopped at the next header: the key is missing
            refusals_.Add(RefusalRule::MissingKey, section, key);
            valid = false;
            return Stop::Continue;
        }
        const std::string_view v = l.value;
        if (v.find('\t') != std::string_view::npos ||
            (!v.empty() && (v.front() == ' ' || v.back() == ' '))) {
            refusals_.Add(RefusalRule::Blank, section, key, v);
            valid = false;
            return Stop::Continue;
        }
        RefusalRule rule = RefusalRule::Length;
        const FieldOutcome outcome = ApplyDescriptor(descriptor, v, mask.vehicle, &rule);
        if (outcome != FieldOutcome::Valid)
            refusals_.Add(rule, section, key, v, mask.name + ": " + descriptor);
        switch (outcome) {
        case FieldOutcome::Valid:
            return Stop::Continue;
        case FieldOutcome::Invalid:
            valid = false;
            return Stop::Continue;
        case FieldOutcome::MaskError:
            return MaskError(mask, section, key, false);
        case FieldOutcome::MaskPresenceError:
            return MaskError(mask, section, key, true);
        case FieldOutcome::Failure:
            return ReadingFailure();
        }
        return Stop::Continue;
    }

    Stop MaskError(const Mask& mask, const std::string& section, const std::string& key,
                   bool presenceForm) {
        AppState& st = st_;
        std::string text;
        if (presenceForm)
            text = GetLangString(st, kTextMaskBadDefinition) + " \"" + mask.name + "\" " +
                   GetLangString(st, kTextMaskForKey) + " \"" + key + "\" " +
                   GetLangString(st, kTextMaskOfSection) + " [" + section + "].";
        else
            text = GetLangString(st, kTextMaskBadDefinition) + " " + mask.name + " " +
                   GetLangString(st, kTextMaskForKey) + " '" + key + "' " +
                   GetLangString(st, kTextMaskOfSection) + " '" + section + "'.";
        valid = false;
        messages_.ShowMessage(text, GetLangString(st, kTextMaskErrorTitle), kStyleStop);
        return Stop::Done;
    }

    Stop ReadingFailure() {
        valid = false;
        messages_.ShowMessage(GetLangString(st_, kTextReadErrorText),
                              GetLangString(st_, kTextReadErrorTitle), kStyleStop);
        return Stop::Done;
    }

    AppState& st_;
    Messages& messages_;
    const Refusals& refusals_;
    const std::vector<Line>& lines_;
    int vehicleClass_;
};

// Empty lines neither match a header nor stop a key search, so only the
// others are indexed; their number is bounded by the masks by then.
std::vector<Line> IndexLines(std::string_view text, size_t count) {
    std::vector<Line> lines;
    lines.reserve(count);
    ForEachLine(text, [&](std::string_view t) {
        if (t.empty())
            return true;
        Line l;
        l.text = t;
        const size_t eq = t.find('=');
        if (eq != std::string_view::npos) {
            l.hasEquals = true;
            l.key = t.substr(0, eq);
            l.value = t.substr(eq + 1);
        } else {
            l.hasBracket = t.find('[') != std::string_view::npos;
        }
        lines.push_back(l);
        return true;
    });
    return lines;
}

// A mask that is missing, unreadable or without sections would make every
// reservation fail (or pass) for no visible reason; it is reported by name.
bool LoadMask(AppState& st, FileSystem& files, Messages& messages, const Refusals& refusals,
              const char* name, bool vehicle, Mask& mask) {
    mask.name = name;
    mask.vehicle = vehicle;
    std::string text;
    if (files.ReadAll(JoinPath(st.programDir, name), text) == FileStatus::Ok)
        mask.ini.Parse(text);
    if (!mask.ini.SectionNames().empty())
        return true;
    refusals.Add(RefusalRule::MaskMissing, {}, {}, {}, mask.name);
    messages.ShowMessage(GetLangString(st, kTextMaskMissing) + " \"" + mask.name + "\"",
                         GetLangString(st, kTextMaskErrorTitle), kStyleStop);
    return false;
}

} // namespace

bool ValidateReservation(Station& s, const std::string& filePath, int vehicleClass,
                         std::vector<Refusal>* refusals) {
    return ValidateReservation(s.state, s.files, s.messages, filePath, vehicleClass, refusals);
}

bool ValidateReservation(AppState& st, FileSystem& files, Messages& messages,
                         const std::string& filePath, int vehicleClass, std::vector<Refusal>* out) {
    const Refusals refusals{out, filePath};
    std::string contents;
    if (files.ReadAll(filePath, contents) != FileStatus::Ok) {
        refusals.Add(RefusalRule::Unreadable);
        messages.ShowMessage(GetLangString(st, kTextReadErrorText),
                             GetLangString(st, kTextReadErrorTitle), kStyleStop);
        return false;
    }
    Mask acceptance, vehicle;
    if (!LoadMask(st, files, messages, refusals, kMaskAcceptance, false, acceptance))
        return false;
    if (!LoadMask(st, files, messages, refusals, VehicleMaskName(vehicleClass), true, vehicle))
        return false;

    size_t expected = 0;
    for (const Mask* m : {&acceptance, &vehicle})
        for (const std::string& section : m->ini.SectionNames()) {
            if (SkipSection(*m, section, vehicleClass))
                continue;
            const size_t keys = m->ini.KeyNames(section).size();
            if (keys > 0)
                expected += 1 + keys;
        }
    size_t counted = 0;
    ForEachLine(contents, [&](std::string_view l) {
        counted += !l.empty();
        return true;
    });
    if (counted != expected) {
        refusals.Add(RefusalRule::LineCount, {}, {}, {},
                     std::to_string(counted) + " lines, the masks expect " +
                         std::to_string(expected));
        return false;
    }

    const std::vector<Line> lines = IndexLines(contents, counted);
    Run run(st, messages, refusals, lines, vehicleClass);
    if (run.CheckMask(acceptance) == Stop::Done)
        return false;
    if (run.CheckMask(vehicle) == Stop::Done)
        return false;
    return run.valid;
}

} // namespace heliotab
