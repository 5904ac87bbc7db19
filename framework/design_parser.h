// DesignParser: turns the text of a window design into a DesignObject tree.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/design_tree.h"

namespace kiv {

// Looks up a file bundled with the program by the name a design gives in `{ @file 'name' }`;
// std::nullopt when there is no such file.
using BundledFileResolver =
    std::function<std::optional<std::vector<std::uint8_t>>(const std::string& name)>;

// The design syntax:
//
//   object frmMain: TfrmMain          (or `object TClass` for an unnamed object)
//     Caption = 'It''s' + #13#10'done'   strings: '' is a quote, #nnn or #$hh a code point
//     Left = -12                       integers, also $FF
//     Ratio = 1.5E2                    floats
//     Visible = True                   identifiers: booleans, enum values, references, handlers
//     Font.Name = 'Terminal'           dotted names reach nested objects
//     Options = [soOne, soTwo]         sets
//     Lines.Strings = ( 'a' 'b' )      lists
//     Items = < item Name = 'x' end item end >    collections
//     Picture.Data = { 0A1B2C }        binary, hex digits, may span lines
//     Library.Data = { @file 'libunrar.so' }     binary from a bundled file
//     object child: TChild ... end     child objects follow the properties
//   end
//
// Keywords (object, end, item) ignore ASCII case. Bytes from 0x80 up stand for themselves in
// strings. `inherited` and `inline` objects are not supported.
class DesignParser {
public:
    // `designName` names the design in error messages; `files` resolves bundled-file references
    // (none allowed when empty).
    DesignParser(std::string designName, BundledFileResolver files = {});

    // Parses a whole design; raises EDesignError "<design>, line L, column C: <problem>" on the
    // first error. Bundled files are resolved here, so a missing one is a parse error too.
    DesignObject Parse(std::string_view text) const;

private:
    std::string m_designName;
    BundledFileResolver m_files;
};

// The EDesignError message for a problem at a position of a design.
std::string DesignErrorText(const std::string& designName, int line, int column,
                            const std::string& problem);

}  // namespace kiv
