// A scripted stand-in for libunrar.so: entries, result codes, data chunks and volume requests
// come from a script the test sets through FakeUnrarSetScript; every call is logged.
//
// Script, one instruction per line:
//   open <code>                        RAROpenArchive fails with <code>
//   entry key=value ...                the next header; keys: name, size, crc, host, attr (hex),
//                                      flags (hex), time (hex), rc (RARProcessFile's result
//                                      after the data), chunks (comma list of sizes),
//                                      volume (a path asked for with `mode` before chunk
//                                      `volat`; "<empty>" asks with an empty name), hvolume / hmode
//                                      (asked before the header is returned), write (1: create
//                                      DestName with the data), errno (left in errno with rc),
//                                      retry (1: the entry may be processed again after a
//                                      failure)
//   header <code>                      RARReadHeader returns <code> here
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "unrar/unrar.h"

namespace {

struct Entry {
    bool headerOnly = false;
    int headerCode = 0;
    std::string name;
    unsigned size = 0;
    unsigned crc = 0;
    unsigned host = 2;
    unsigned attr = 0x20;
    unsigned flags = 0;
    unsigned time = 0;
    int rc = 0;
    std::vector<int> chunks;
    std::string volume;
    bool askVolume = false;
    int mode = RAR_VOL_NOTIFY;
    std::size_t volumeAt = 0;
    std::string headerVolume;
    int headerMode = RAR_VOL_NOTIFY;
    bool write = true;
    int error = 0;
    bool retry = false;
};

struct State {
    int openCode = 0;
    std::vector<Entry> entries;
    std::size_t next = 0;
    const Entry* current = nullptr;
    CHANGEVOLPROC changeVolume = nullptr;
    PROCESSDATAPROC processData = nullptr;
    std::string log;
    int handle = 0;
};

State& S() {
    static State state;
    return state;
}

void Log(const std::string& line) {
    S().log += line + "\n";
}

Entry ParseEntry(std::istringstream& in) {
    Entry e;
    std::string pair;
    while (in >> pair) {
        const std::size_t eq = pair.find('=');
        const std::string key = pair.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
        if (key == "name")
            e.name = value;
        else if (key == "size")
            e.size = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 0));
        else if (key == "crc")
            e.crc = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 0));
        else if (key == "host")
            e.host = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 0));
        else if (key == "attr")
            e.attr = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 16));
        else if (key == "flags")
            e.flags = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 16));
        else if (key == "time")
            e.time = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 16));
        else if (key == "rc")
            e.rc = std::atoi(value.c_str());
        else if (key == "volume") {
            e.volume = value == "<empty>" ? std::string() : value;
            e.askVolume = true;
        } else if (key == "mode")
            e.mode = std::atoi(value.c_str());
        else if (key == "volat")
            e.volumeAt = static_cast<std::size_t>(std::atoi(value.c_str()));
        else if (key == "hvolume")
            e.headerVolume = value;
        else if (key == "hmode")
            e.headerMode = std::atoi(value.c_str());
        else if (key == "write")
            e.write = value != "0";
        else if (key == "errno")
            e.error = std::atoi(value.c_str());
        else if (key == "retry")
            e.retry = value != "0";
        else if (key == "chunks") {
            std::istringstream list(value);
            std::string item;
            while (std::getline(list, item, ',')) e.chunks.push_back(std::atoi(item.c_str()));
        }
    }
    return e;
}

// Asks for a volume as the real library does; false when the callback stops.
bool AskVolume(const std::string& path, int mode) {
    if (S().changeVolume == nullptr) return false;
    char buffer[4096] = {};
    std::snprintf(buffer, sizeof buffer, "%s", path.c_str());
    const int answer = S().changeVolume(buffer, mode);
    Log("volume " + std::to_string(mode) + " " + path + " -> " + std::to_string(answer) + " " +
        buffer);
    return answer != 0;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void FakeUnrarSetScript(const char* script) {
    State& s = S();
    s = State{};
    std::istringstream lines(script);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string word;
        if (!(in >> word)) continue;
        if (word == "open") {
            in >> s.openCode;
        } else if (word == "entry") {
            s.entries.push_back(ParseEntry(in));
        } else if (word == "header") {
            Entry e;
            e.headerOnly = true;
            in >> e.headerCode;
            s.entries.push_back(e);
        }
    }
}

__attribute__((visibility("default"))) const char* FakeUnrarLog() {
    return S().log.c_str();
}

__attribute__((visibility("default"))) void* RAROpenArchive(RAROpenArchiveData* data) {
    Log(std::string("open ") + data->ArcName + " mode " + std::to_string(data->OpenMode));
    if (S().openCode != 0) {
        data->OpenResult = static_cast<unsigned>(S().openCode);
        return nullptr;
    }
    data->OpenResult = 0;
    return &S().handle;
}

__attribute__((visibility("default"))) int RARCloseArchive(void*) {
    Log("close");
    return 0;
}

__attribute__((visibility("default"))) int RARReadHeader(void*, RARHeaderData* h) {
    State& s = S();
    s.current = nullptr;
    if (s.next >= s.entries.size()) {
        Log("read end");
        return ERAR_END_ARCHIVE;
    }
    const Entry& e = s.entries[s.next];
    if (e.headerOnly) {
        Log("read code " + std::to_string(e.headerCode));
        return e.headerCode;
    }
    ++s.next;
    if (!e.headerVolume.empty() && !AskVolume(e.headerVolume, e.headerMode)) return ERAR_EOPEN;
    std::memset(h->ArcName, 0, sizeof h->ArcName);
    std::memset(h->FileName, 0, sizeof h->FileName);
    std::snprintf(h->FileName, sizeof h->FileName, "%s", e.name.c_str());
    h->Flags = e.flags;
    h->PackSize = e.size;
    h->UnpSize = e.size;
    h->HostOS = e.host;
    h->FileCRC = e.crc;
    h->FileTime = e.time;
    h->FileAttr = e.attr;
    s.current = &e;
    Log("read " + e.name);
    return 0;
}

__attribute__((visibility("default"))) int RARProcessFile(void*, int op, char* path, char* name) {
    State& s = S();
    Log("process " + std::to_string(op) + " " + (path ? path : "-") + " " + (name ? name : "-"));
    const Entry* e = s.current;
    s.current = nullptr;
    if (e == nullptr) return ERAR_UNKNOWN;
    if (op == RAR_SKIP) return 0;
    std::string data;
    std::vector<unsigned char> chunk;
    for (std::size_t i = 0; i < e->chunks.size(); ++i) {
        if (e->askVolume && i == e->volumeAt && !AskVolume(e->volume, e->mode)) {
            return ERAR_EOPEN;
        }
        // Entries that are not written may claim huge chunks without holding their bytes.
        if (e->write) chunk.assign(static_cast<std::size_t>(e->chunks[i]), 'x');
        static unsigned char placeholder = 'x';
        unsigned char* bytes = e->write ? chunk.data() : &placeholder;
        if (s.processData != nullptr && s.processData(bytes, e->chunks[i]) == 0) {
            Log("data stopped");
            return ERAR_UNKNOWN;
        }
        if (e->write) data.append(chunk.begin(), chunk.end());
    }
    if (e->rc != 0) {
        if (e->retry) s.current = e;
        errno = e->error;
        return e->rc;
    }
    if (op == RAR_EXTRACT && e->write && name != nullptr) {
        FILE* f = std::fopen(name, "wb");
        if (f == nullptr) return ERAR_ECREATE;
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
    return 0;
}

__attribute__((visibility("default"))) void RARSetChangeVolProc(void*, CHANGEVOLPROC proc) {
    S().changeVolume = proc;
}

__attribute__((visibility("default"))) void RARSetProcessDataProc(void*, PROCESSDATAPROC proc) {
    S().processData = proc;
}

#ifndef FAKE_NO_PASSWORD
__attribute__((visibility("default"))) void RARSetPassword(void*, char* password) {
    Log(std::string("password ") + (password ? password : ""));
}
#endif

}  // extern "C"
