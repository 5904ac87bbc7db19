// Feeds arbitrary bytes to the design reader; whatever it accepts must write, read back and
// write again to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/design_parser.h"
#include "framework/design_reader.h"
#include "framework/design_writer.h"
#include "framework/exception.h"
#include "tests/framework/design_classes.h"

namespace {

std::optional<std::vector<std::uint8_t>> Bundled(const std::string& name) {
    if (name == "lib") return std::vector<std::uint8_t>{0x7F, 'E', 'L', 'F', 0, 1};
    return std::nullopt;
}

[[noreturn]] void Broken(const char* what, const std::string& first, const std::string& second) {
    std::fprintf(stderr, "%s\n--- first\n%s\n--- second\n%s\n", what, first.c_str(),
                 second.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<kiv::TComponent> root;
    try {
        root = kiv::CreateFromDesign(text, "fuzz.dfm", Bundled);
    } catch (const kiv::Exception&) {
        return 0;  // rejected input: fine, as long as nothing leaked or crashed
    }
    std::string first;
    try {
        first = kiv::WriteDesign(*root);
    } catch (const kiv::Exception& e) {
        Broken("an accepted design could not be written", e.Message(), "");
    }
    std::unique_ptr<kiv::TComponent> again;
    try {
        again = kiv::CreateFromDesign(first, "rewritten.dfm");
    } catch (const kiv::Exception& e) {
        Broken("the writer's output was refused", first, e.Message());
    }
    std::string second = kiv::WriteDesign(*again);
    if (second != first) Broken("write, read, write is not a fixed point", first, second);
    return 0;
}
