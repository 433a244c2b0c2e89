// The folder heliocheck lies in, where the station keeps its masks.
#pragma once

#include <string>

namespace heliotab::heliocheck {

std::string ProgramFolder();

} // namespace heliotab::heliocheck
