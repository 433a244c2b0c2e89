// The link's names for its language ids (all ids live in settings/LanguageIds.h).
#pragma once

#include "settings/LanguageIds.h"

namespace heliotab::link_text {

enum : int {
    kComboNoDevice = kTextSelectReservation,
    kPortNotSet = kTextPortNotSet,
    kPortSearching = kTextPortSearching,
    kPortOnline = kTextPortOnline,
    kStateSignedOff = kTextStateSignedOff,
    kStateMeasuring = kTextStateMeasuring,
    kStateResults = kTextStateResults,
    kBadFramesTitle = kTextBadFramesTitle,
    kBadFramesText = kTextBadFramesText,
    kOpenFailTitle = kTextOpenFailTitle,
    kOpenFailText = kTextOpenFailText,
    kBadResultsTitle = kTextBadResultsTitle,
    kBadResultsMissing = kTextBadResultsMissing,
    kBadResultsNumber = kTextBadResultsNumber,
    kBadResultsConfiguration = kTextBadResultsConfiguration,
    kStateBadResults = kTextStateBadResults,
};

} // namespace heliotab::link_text
