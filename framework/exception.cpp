// Message formatting for the framework's exceptions.
#include "framework/exception.h"

namespace kiv::detail {

bool AppendUntilConversion(std::ostringstream& out, std::string_view& pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            out << pattern[i];
        } else if (pattern[i + 1] == '%') {
            out << '%';
            ++i;
        } else {
            pattern.remove_prefix(i + 2);
            return true;
        }
    }
    pattern = {};
    return false;
}

}  // namespace kiv::detail
