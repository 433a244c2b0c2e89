#include "output/PrintDialogValues.h"

#include <algorithm>
#include <utility>

#include "shared/AsciiText.h"

namespace heliotab {

void PrintDialogValues::SetMin(int16_t v) {
    min_ = Stored(v);
    from_ = std::max(from_, min_);
    to_ = std::max(to_, min_);
    max_ = std::max(max_, min_);
}

void PrintDialogValues::SetMax(int16_t v) {
    max_ = Stored(v);
    to_ = std::min(to_, max_);
    from_ = std::min(from_, max_);
    min_ = std::min(min_, max_);
}

void PrintDialogValues::SetFromPage(int16_t v) {
    from_ = Stored(v);
    to_ = std::max(to_, from_);
    max_ = std::max(max_, from_);
    min_ = std::min(min_, from_);
}

void PrintDialogValues::SetToPage(int16_t v) {
    to_ = Stored(v);
    max_ = std::max(max_, to_);
    from_ = std::min(from_, to_);
    min_ = std::min(min_, to_);
}

void TakePrinterChoice(CurrentPrinter& current, const std::string& shown, const std::string& chosen,
                       const std::vector<std::string>& installed,
                       std::vector<unsigned char> devMode) {
    std::string name = shown;
    if (chosen != UpperAscii(shown)) {
        name.clear();
        for (const std::string& printer : installed) {
            const std::string upper = UpperAscii(printer);
            if (upper == chosen) {
                name = printer;
                break;
            }
            if (!chosen.empty() && upper.starts_with(chosen))
                name = printer;
        }
        if (name.empty())
            return;
    }
    current.name = name;
    current.devMode = std::move(devMode);
}

} // namespace heliotab
