// Identifiers that designs may use for integer-valued properties: colours, cursors, charsets.
#pragma once

#include <span>

#include "framework/class_registry.h"

namespace kiv {

// clBlack ... clWhite, clNone, clDefault and the system colours (clBtnFace, clWindowFrame ...).
std::span<const IdentValue> ColorIdents();
// crDefault, crArrow, crHandPoint ...
std::span<const IdentValue> CursorIdents();
// ANSI_CHARSET, DEFAULT_CHARSET, SYMBOL_CHARSET, OEM_CHARSET.
std::span<const IdentValue> CharsetIdents();

}  // namespace kiv
