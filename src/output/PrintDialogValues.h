// The numbers clsCommonDialog hands to the print dialog and takes back from
// it: page range, copies and flags. The four page numbers always keep
// Min <= FromPage <= ToPage <= Max: setting one stores it (below 1 as 0)
// and pushes the others along with the stored value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace heliotab {

// PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE |
// PD_HIDEPRINTTOFILE | PD_NONETWORKBUTTON: the report's dialog.
inline constexpr uint32_t kReportDialogFlags = 0x34000C;
inline constexpr uint32_t kFlagUseDevModeCopiesAndCollate = 0x40000;

class PrintDialogValues {
public:
    int16_t Min() const { return min_; }
    int16_t Max() const { return max_; }
    int16_t FromPage() const { return from_; }
    int16_t ToPage() const { return to_; }
    // The dialog keeps copies in the printer's settings under this flag; one here.
    int16_t Copies() const { return (flags_ & kFlagUseDevModeCopiesAndCollate) ? 1 : copies_; }
    uint32_t Flags() const { return flags_; }

    void SetMin(int16_t v);
    void SetMax(int16_t v);
    void SetFromPage(int16_t v);
    void SetToPage(int16_t v);
    void SetCopies(int16_t v) { copies_ = Stored(v); }
    void SetFlags(uint32_t v) { flags_ = v; }

private:
    static int16_t Stored(int16_t v) { return v < 1 ? 0 : v; }
    int16_t min_ = 0, max_ = 0, from_ = 0, to_ = 0, copies_ = 0;
    uint32_t flags_ = 0;
};

// The program-wide current printer: its device name (empty: the system's
// default printer) and the settings chosen for it in the dialog (a DEVMODE
// block, private data of its printer's driver; empty: the printer's own
// defaults).
struct CurrentPrinter {
    std::string name;
    std::vector<unsigned char> devMode;
};

// OK in the print dialog opened on the printer `shown`: the printer chosen
// there becomes current with the dialog's `devMode`. `chosen` is its name in
// upper case, perhaps cut short; an installed printer of exactly that name
// counts first, else the last whose name starts with it. A name that
// matches no installed printer changes nothing: its settings belong to a
// driver the report cannot print on.
void TakePrinterChoice(CurrentPrinter& current, const std::string& shown, const std::string& chosen,
                       const std::vector<std::string>& installed,
                       std::vector<unsigned char> devMode);

} // namespace heliotab
