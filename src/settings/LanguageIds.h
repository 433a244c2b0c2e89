// The language ids the code asks for (GetLangString): every text a message,
// panel, label or caption shows from Language.ini. Control captions and
// tooltips come from the controls' Tags instead.
#pragma once

namespace heliotab {

enum LanguageId : int {
    kTextAppCaption = 101, // the side logo and the tray tip

    // About box.
    kTextAboutCaption = 201,
    kTextAboutVersion = 202,
    kTextAboutDescription = 203,
    kTextAboutDisclaimer = 204,
    kTextAboutSysInfo = 205,
    kTextAboutDirVersion = 206,
    kTextAboutNetVersion = 207,
    kTextSysInfoMissing = 210,

    kTextSelectReservation = 303, // cboRevisione while no reservation is chosen

    // Panels PortaCOM and Stato.
    kTextPortNotSet = 330,
    kTextPortSearching = 331,
    kTextPortOnline = 332, // followed by the port number
    kTextStateSignedOff = 334,
    kTextStateMeasuring = 335,
    kTextStateResults = 336,
    kTextStateStopped = 337,
    kTextStateArmed = 338,

    kTextBadFramesTitle = 361, // too many faulty frames in a row
    kTextBadFramesText = 362,
    kTextStopTestTitle = 363, // Ferma: stop the armed test?
    kTextStopTestQuestion = 364,
    kTextOpenFailTitle = 365, // the port cannot be opened: retry?
    kTextOpenFailText = 366,
    kTextBadReservationTitle = 371,
    kTextBadReservationText = 372,

    // A results frame that cannot be trusted (the test stays armed).
    kTextBadResultsTitle = 380,
    kTextBadResultsMissing = 381,
    kTextBadResultsNumber = 382,
    kTextBadResultsConfiguration = 383,
    kTextStateBadResults = 384, // panel Stato

    // The result file.
    kTextDoneTitle = 601,
    kTextDoneText = 602, // followed by the quoted result path
    kTextWriteTitle = 603,
    kTextWriteText = 604,
    kTextAccessTitle = 611,
    kTextAccessText = 612,
    kTextNotDeliveredText = 613,    // the copy into the exchange directory failed
    kTextReservationKeptText = 614, // result delivered, reservation file not deleted
    kTextWarningTitle = 615,

    // /REDELIVER: an archived result sent again.
    kTextRedeliverTitle = 620,
    kTextRedeliverDone = 621,     // followed by the quoted result path
    kTextRedeliverNotFound = 622, // followed by the quoted number
    kTextRedeliverPresent = 623,  // followed by the quoted result path
    kTextRedeliverFailed = 624,   // followed by the quoted result path

    // Checking a reservation against its masks.
    kTextMaskErrorTitle = 605,
    kTextMaskBadDefinition = 606, // "... in mask" <name> "for key" <key> "of section" <section>
    kTextMaskForKey = 607,
    kTextMaskOfSection = 608,
    kTextReadErrorTitle = 609,
    kTextReadErrorText = 610,
    kTextValidateCaption = 701,
    kTextValidateText = 702,
    kTextMaskMissing = 703,

    // Options dialog.
    kTextOptionsCaption = 401,
    kTextOptionsLogo = 402,
    kTextOptionsPortLabel = 413, // followed by the port number
    kTextOptionsNoPort = 414,
    kTextOptionsSaveFailedTitle = 450,
    kTextOptionsSettingsNotSaved = 451, // followed by the settings file's path
    kTextOptionsAutostartNotSaved = 452,
    kTextOptionsAutostartUnknown = 453, // the autostart entry cannot be read

    // The printed report.
    kTextReportTitle = 650,
    kTextNoPrinterText = 651,
    kTextReportNotPrintedText = 652,
};

} // namespace heliotab
