#include "output/PrintDialogValues.h"

#include <algorithm>

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

} // namespace heliotab
