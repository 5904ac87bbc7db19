// packfiles: lists, adds, extracts and removes the entries of a file store inside a design file.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/design_writer.h"
#include "framework/exception.h"
#include "framework/memory_stream.h"
#include "packfiles/pack_files.h"
#include "tools/lzr/atomic_file.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = R"(usage: packfiles COMMAND DESIGN [ARGS] [OPTIONS]

Edits the file store (a TPackFiles component) inside a design file, the way the store's
design-time editor does. The design's root object is a TPackModule holding the store:

  object Main: TPackModule
    object kivFiles: TPackFiles
      ...
    end
  end

Commands:
  list DESIGN                   print every entry: index, stored form, size, name, description
  add DESIGN FILE               add FILE as a new entry named after its last path component;
                                creates DESIGN (with a store named kivFiles) when it is missing
      --name NAME               name the entry NAME instead
      --description TEXT        the entry's description
      --plain                   store the bytes as they are (the default is compressed)
  extract DESIGN NAME [OUT]     write the entry's bytes to OUT (default: ./NAME)
  remove DESIGN NAME            delete the entry

NAME is matched as the store does at run time: ASCII letters without regard to case, the
first matching entry wins. Option --store NAME picks the store component by name when the
design holds more than one. DESIGN and OUT are replaced only when the command succeeds.
)";

// The root object of the designs this tool edits.
class TPackModule : public TComponent {
public:
    using TComponent::TComponent;
};
const bool registered = RegisterClass<TPackModule, TComponent>("TPackModule");

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool plain = false;
};

class UsageError : public Exception {
public:
    using Exception::Exception;
};

Args Parse(int argc, char** argv) {
    Args args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plain") {
            args.plain = true;
        } else if (arg == "--name" || arg == "--description" || arg == "--store") {
            if (i + 1 >= argc) throw UsageError(arg + " needs a value");
            args.options[arg] = argv[++i];
        } else if (arg.starts_with("--")) {
            throw UsageError("unknown option " + arg);
        } else {
            args.positional.push_back(arg);
        }
    }
    return args;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

class Design {
public:
    // Reads `path`; a missing file gives a new design with an empty store when `create` is set.
    Design(std::string path, bool create, const std::optional<std::string>& storeName)
        : m_path(std::move(path)) {
        if (create && !fs::exists(m_path)) {
            m_root = std::make_unique<TPackModule>(nullptr);
            m_root->SetName("Main");
            m_store = &m_root->Make<TPackFiles>();
            m_store->SetName(storeName.value_or("kivFiles"));
            return;
        }
        TMemoryStream text;
        text.LoadFromFile(m_path);
        const fs::path folder = fs::path(m_path).parent_path();
        m_root = CreateFromDesign(
            std::string(text.Bytes().begin(), text.Bytes().end()), m_path,
            [folder](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
                TMemoryStream file;
                file.LoadFromFile((folder / name).string());
                return std::vector<std::uint8_t>(file.Bytes().begin(), file.Bytes().end());
            });
        for (int i = 0; i < m_root->ComponentCount() && !m_store; ++i) {
            auto* store = dynamic_cast<TPackFiles*>(m_root->Components(i));
            if (store && (!storeName || Upper(store->Name()) == Upper(*storeName))) m_store = store;
        }
        if (!m_store) throw Exception(m_path + ": no file store in this design");
    }

    TPackFiles& Store() { return *m_store; }

    // Index of the first entry named `name` (ASCII case ignored), or -1.
    int Find(const std::string& name) const {
        for (int i = 0; i < m_store->Items()->Count(); ++i) {
            if (Upper(m_store->Items()->Items(i)->Name()) == Upper(name)) return i;
        }
        return -1;
    }
    int Require(const std::string& name) const {
        const int index = Find(name);
        if (index < 0) throw Exception(m_path + ": no entry named " + name);
        return index;
    }

    void Save() {
        const std::string text = WriteDesign(*m_root);
        AtomicFile file(m_path);
        file.Stream().WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
        file.Commit();
    }

private:
    std::string m_path;
    std::unique_ptr<TComponent> m_root;
    TPackFiles* m_store = nullptr;
};

void List(Design& design) {
    TFileCollection& items = *design.Store().Items();
    std::printf("%3s %-10s %10s  %-20s %s\n", "#", "stored", "bytes", "name", "description");
    for (int i = 0; i < items.Count(); ++i) {
        const TFileItem& item = *items.Items(i);
        std::printf("%3d %-10s %10lld  %-20s %s\n", i, item.Compress() ? "compressed" : "plain",
                    static_cast<long long>(item.Data()->Size()), item.Name().c_str(),
                    item.Description().c_str());
    }
}

void Add(Design& design, const std::string& file, const Args& args) {
    TFileCollection& items = *design.Store().Items();
    TFileItem& item = *items.Add();
    try {
        item.SetFilename(file);
        if (auto it = args.options.find("--name"); it != args.options.end()) {
            item.SetName(it->second);
        }
        if (design.Find(item.Name()) != item.Index()) {
            throw Exception("an entry named " + item.Name() + " exists; remove it first");
        }
    } catch (...) {
        items.Delete(item.Index());
        throw;
    }
    if (auto it = args.options.find("--description"); it != args.options.end()) {
        item.SetDescription(it->second);
    }
    item.SetCompress(!args.plain);
    design.Save();
}

void Extract(Design& design, const std::string& name, std::optional<std::string> out) {
    TFileItem& item = *design.Store().Items()->Items(design.Require(name));
    if (!out) {
        // Only the last component of a stored name: a design must not steer files elsewhere.
        const std::string base = fs::path(item.Name()).filename().string();
        if (base.empty() || base == "." || base == "..") {
            throw Exception("entry name " + item.Name() + " is no file name; give OUT");
        }
        out = base;
    }
    AtomicFile file(*out);
    item.SaveToStream(file.Stream());
    file.Commit();
}

void Remove(Design& design, const std::string& name) {
    design.Store().Items()->Delete(design.Require(name));
    design.Save();
}

int Run(int argc, char** argv) {
    const Args args = Parse(argc, argv);
    const auto& pos = args.positional;
    if (pos.empty()) throw UsageError("no command");
    const std::string& command = pos[0];
    std::optional<std::string> storeName;
    if (auto it = args.options.find("--store"); it != args.options.end()) storeName = it->second;
    auto need = [&](std::size_t min, std::size_t max) {
        if (pos.size() < min || pos.size() > max)
            throw UsageError("wrong arguments for " + command);
    };
    if (command == "list") {
        need(2, 2);
        Design design(pos[1], false, storeName);
        List(design);
    } else if (command == "add") {
        need(3, 3);
        Design design(pos[1], true, storeName);
        Add(design, pos[2], args);
    } else if (command == "extract") {
        need(3, 4);
        Design design(pos[1], false, storeName);
        Extract(design, pos[2], pos.size() == 4 ? std::optional(pos[3]) : std::nullopt);
    } else if (command == "remove") {
        need(3, 3);
        Design design(pos[1], false, storeName);
        Remove(design, pos[2]);
    } else {
        throw UsageError("unknown command " + command);
    }
    return 0;
}

}  // namespace
}  // namespace kiv

int main(int argc, char** argv) {
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(kiv::kUsage, stdout);
        return 0;
    }
    try {
        return kiv::Run(argc, argv);
    } catch (const kiv::UsageError& e) {
        std::fprintf(stderr, "packfiles: %s\n\n%s", e.what(), kiv::kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "packfiles: %s\n", e.what());
        return 1;
    }
}
