// Decoding speed of our PPMd variant H decoder against unar on one RAR 2.9 PPM archive, the two
// timed alternately in the same run, and ours on the PPM entries of the RAR corpus.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/unrar/ppm_stream.h"
#include "unrar/rar_error.h"

namespace {

namespace fs = std::filesystem;

// RAR's "best" method: what the PPM entries of the corpus announce.
constexpr unsigned kOrder = 8;
constexpr unsigned kMemoryMiB = 25;

struct Times {
    double cpu = 0;  // user + system seconds
    double wall = 0;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The Qt 6 headers: plenty of real text on any machine that builds the installer's window.
std::string DefaultText() {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it("/usr/include/x86_64-linux-gnu/qt6", ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && it->path().extension() == ".h") files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const auto& f : files) text += ReadFile(f);
    if (!text.empty()) return text;
    static const char* const words[] = {"the ", "installer ", "extracts ", "every ", "volume ",
                                        "of ",  "a ",         "release ",  "into ",  "folder, ",
                                        "and ", "shows ",     "its ",      "name. ", "\n"};
    std::mt19937 gen(1);
    while (text.size() < (8u << 20)) text += words[gen() % std::size(words)];
    return text;
}

std::string Compress(const std::string& text) {
    kiv::test::PpmStreamWriter writer;
    writer.StartRestartBlock(kMemoryMiB, kOrder);
    for (const char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        writer.Put(c);
        if (c == 2) writer.Put(1);
    }
    writer.Put(2);
    writer.Put(2);
    return writer.Finish();
}

double CpuSeconds(const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Decodes the entry as the LZ decoder drives the PPM decoder, and checks its CRC as the
// extraction does.
Times OursOnce(const kiv::test::PackedEntry& e) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    kiv::rar::PpmdDecoder decoder;
    std::string window;
    const auto result = kiv::test::ReadPpmEntry(decoder, e.packed, e.unpSize, window);
    const auto crc = static_cast<uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(result.data.data()), result.data.size()));
    Times t;
    t.wall = Since(start);
    getrusage(RUSAGE_SELF, &after);
    t.cpu = CpuSeconds(after) - CpuSeconds(before);
    if (crc != e.crc) {
        std::fprintf(stderr, "our decoder got the data wrong\n");
        std::exit(1);
    }
    return t;
}

Times UnarOnce(const std::string& archive, const std::string& outDir) {
    std::fflush(stdout);  // or the child would print what is still buffered
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        execlp("unar", "unar", "-q", "-f", "-o", outDir.c_str(), archive.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Times t;
    t.wall = Since(start);
    t.cpu = CpuSeconds(usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) t.cpu = t.wall = -1;
    return t;
}

double Min(std::vector<double> v) {
    return *std::min_element(v.begin(), v.end());
}
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void CompareWithUnar(const std::string& text, int rounds) {
    char dirTemplate[] = "/tmp/bench-ppmd-XXXXXX";
    if (!mkdtemp(dirTemplate)) return;
    const std::string dir = dirTemplate;
    const std::string archive = dir + "/text.rar";
    std::printf("compressing %.1f MB of text (order %u, %u MiB model) ...\n", text.size() / 1e6,
                kOrder, kMemoryMiB);
    const std::string packed = Compress(text);
    std::ofstream(archive, std::ios::binary) << kiv::test::WrapInRar29("text.txt", packed, text);
    const auto entry = kiv::test::ReadPackedEntries(archive).at(0);

    std::vector<double> oursCpu, oursWall, unarCpu, unarWall;
    bool unarOk = true;
    for (int r = 0; r < rounds; ++r) {
        const Times ours = OursOnce(entry);
        oursCpu.push_back(ours.cpu);
        oursWall.push_back(ours.wall);
        const Times unar = UnarOnce(archive, dir + "/out");
        if (unar.cpu < 0) {
            unarOk = false;
            break;
        }
        unarCpu.push_back(unar.cpu);
        unarWall.push_back(unar.wall);
    }
    if (unarOk && ReadFile(dir + "/out/text.txt") != text) unarOk = false;
    const double mb = text.size() / 1e6;
    std::printf("%-10s %12s %12s %12s %12s\n", "", "cpu min s", "cpu median s", "wall min s",
                "MB/s (cpu)");
    std::printf("%-10s %12.3f %12.3f %12.3f %12.1f\n", "ours", Min(oursCpu), Median(oursCpu),
                Min(oursWall), mb / Min(oursCpu));
    if (unarOk) {
        std::printf("%-10s %12.3f %12.3f %12.3f %12.1f\n", "unar", Min(unarCpu), Median(unarCpu),
                    Min(unarWall), mb / Min(unarCpu));
        std::printf("unar / ours: %.2f x (cpu min), %.2f x (cpu median), %.2f x (wall min)\n",
                    Min(unarCpu) / Min(oursCpu), Median(unarCpu) / Median(oursCpu),
                    Min(unarWall) / Min(oursWall));
    } else {
        std::printf("unar missing or failed: no comparison\n");
    }
    fs::remove_all(dir);
}

// The corpus's PPM data is small; decode it repeatedly for a measurable time.
void CorpusSpeed(const std::string& dir) {
    for (const char* name : {"test_read_format_rar_compress_best.rar",
                             "test_read_format_rar_ppmd_lzss_conversion.rar"}) {
        const fs::path path = fs::path(dir) / name;
        if (!fs::exists(path)) {
            std::printf("%s: not found in %s\n", name, dir.c_str());
            continue;
        }
        std::vector<kiv::test::PackedEntry> entries;
        for (auto& e : kiv::test::ReadPackedEntries(path)) {
            if (!e.packed.empty() && (e.packed[0] & 0x80)) entries.push_back(std::move(e));
        }
        uint64_t bytes = 0;
        double cpu = 0;
        while (cpu < 1.0) {
            for (const auto& e : entries) {
                rusage before{}, after{};
                getrusage(RUSAGE_SELF, &before);
                kiv::rar::PpmdDecoder decoder;
                std::string window;
                bytes += kiv::test::ReadPpmEntry(decoder, e.packed, e.unpSize, window).data.size();
                getrusage(RUSAGE_SELF, &after);
                cpu += CpuSeconds(after) - CpuSeconds(before);
            }
        }
        std::printf("%s, PPM blocks: %.1f MB/s (cpu)\n", name, bytes / cpu / 1e6);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string corpus;
    std::vector<std::string> files;
    int rounds = 7;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--corpus" && i + 1 < argc) {
            corpus = argv[++i];
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--help" || arg.starts_with("-")) {
            std::printf("usage: bench_ppmd [--corpus DIR] [--rounds N] [TEXT_FILE...]\n");
            return arg == "--help" ? 0 : 2;
        } else {
            files.push_back(arg);
        }
    }
    std::string text;
    for (const auto& f : files) text += ReadFile(f);
    if (text.empty()) text = DefaultText();
    try {
        CompareWithUnar(text, rounds);
        if (!corpus.empty()) CorpusSpeed(corpus);
    } catch (const kiv::rar::RarError& e) {
        std::fprintf(stderr, "bench_ppmd: %s\n", e.what());
        return 1;
    }
    return 0;
}
