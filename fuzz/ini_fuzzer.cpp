// Feeds arbitrary bytes to the ini reader and checks the reading rules that hold for any input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/ini_file.h"

namespace {

using kiv::platform::IniFile;
using kiv::platform::IsValidUtf8;

constexpr std::size_t kMaxNames = 12;
constexpr std::string_view kDefault = "[Default]";

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// Names worth asking for: what looks like a section or key name on each line, raw.
void CollectNames(std::string_view text, std::vector<std::string>& sections,
                  std::vector<std::string>& keys) {
    while (!text.empty() && (sections.size() < kMaxNames || keys.size() < kMaxNames)) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t open = line.find('[');
        const std::size_t close = line.rfind(']');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open &&
            sections.size() < kMaxNames) {
            sections.emplace_back(line.substr(open + 1, close - open - 1));
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && keys.size() < kMaxNames) {
            keys.emplace_back(line.substr(0, equals));
        }
    }
}

void CheckRead(const IniFile& ini, const std::string& section, const std::string& key,
               bool textIsUtf8) {
    const std::string value = ini.ReadString(section, key, kDefault);
    Check(value.size() <= IniFile::kMaxValueLength);
    Check(ini.ReadString(Upper(section), Upper(key), kDefault) == value);
    if (!ini.HasKey(section, key)) Check(value == kDefault);
    if (!ini.HasSection(section)) Check(!ini.HasKey(section, key));
    if (textIsUtf8) Check(IsValidUtf8(value));

    const std::string utf8 = kiv::platform::OemToUtf8(value);
    Check(IsValidUtf8(utf8));
    if (IsValidUtf8(value)) Check(utf8 == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniFile ini = IniFile::FromBytes(text);

    std::vector<std::string> sections = {"KIV", ""};
    std::vector<std::string> keys = {"Release", "InfoLine1"};
    CollectNames(text, sections, keys);
    const bool textIsUtf8 = IsValidUtf8(text);
    for (const std::string& section : sections) {
        for (const std::string& key : keys) CheckRead(ini, section, key, textIsUtf8);
    }
    return 0;
}
