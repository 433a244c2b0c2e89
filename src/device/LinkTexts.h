// Language ids of the texts the tester link shows.
#pragma once

namespace heliotab::link_text {

enum : int {
    kComboNoDevice = 303,       // cboRevisione text while the tester is away
    kPortNotSet = 330,          // panel PortaCOM: no port configured
    kPortSearching = 331,       // panel PortaCOM: looking for the tester
    kPortOnline = 332,          // panel PortaCOM, followed by the port number
    kStateSignedOff = 334,      // panel Stato
    kStateMeasuring = 335,      // panel Stato
    kStateResults = 336,        // panel Stato
    kBadFramesTitle = 361,      // fourth bad frame in a row
    kBadFramesText = 362,
    kOpenFailTitle = 365,       // the port cannot be opened: retry?
    kOpenFailText = 366,
    // A results frame that cannot be trusted (the test stays armed).
    kBadResultsTitle = 380,
    kBadResultsMissing = 381,
    kBadResultsNumber = 382,
    kBadResultsConfiguration = 383,
    kStateBadResults = 384,     // panel Stato
};

}  // namespace heliotab::link_text
