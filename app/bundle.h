// The files built into the installer: the two window designs, the background picture and the
// RAR library the main window's file store carries.
#pragma once

#include <string_view>

#include "framework/design_parser.h"

namespace kiv::bundle {

std::string_view MainDesign();
std::string_view PathDesign();
// Resolves the designs' bundled files: 'kiv_background.bmp' and 'libunrar.so'.
BundledFileResolver Files();

}  // namespace kiv::bundle
