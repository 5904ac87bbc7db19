// The C interface of libunrar.so: every call catches everything and answers with an ERAR_* code.
#include "unrar/unrar.h"

#include <new>

#include "unrar/archive.h"
#include "unrar/rar_error.h"

using kiv::rar::Archive;
using kiv::rar::RarError;

namespace {

Archive* FromHandle(void* handle) {
    return static_cast<Archive*>(handle);
}

}  // namespace

extern "C" {

KIV_UNRAR_EXPORT void* RAROpenArchive(RAROpenArchiveData* data) {
    if (data == nullptr) return nullptr;
    data->CmtSize = 0;
    data->CmtState = 0;
    if (data->ArcName == nullptr) {
        data->OpenResult = ERAR_EOPEN;
        return nullptr;
    }
    try {
        auto archive = std::make_unique<Archive>(data->ArcName, data->OpenMode);
        data->OpenResult = 0;
        return archive.release();
    } catch (const RarError& e) {
        data->OpenResult = static_cast<unsigned>(e.Code());
    } catch (const std::bad_alloc&) {
        data->OpenResult = ERAR_NO_MEMORY;
    } catch (...) {
        data->OpenResult = ERAR_UNKNOWN;
    }
    return nullptr;
}

KIV_UNRAR_EXPORT int RARCloseArchive(void* handle) {
    if (handle == nullptr) return ERAR_ECLOSE;
    delete FromHandle(handle);
    return 0;
}

KIV_UNRAR_EXPORT int RARReadHeader(void* handle, RARHeaderData* header) {
    if (handle == nullptr || header == nullptr) return ERAR_UNKNOWN;
    try {
        return FromHandle(handle)->ReadHeader(*header);
    } catch (const std::bad_alloc&) {
        return ERAR_NO_MEMORY;
    } catch (...) {
        return ERAR_UNKNOWN;
    }
}

KIV_UNRAR_EXPORT int RARProcessFile(void* handle, int operation, char* destPath, char* destName) {
    if (handle == nullptr) return ERAR_UNKNOWN;
    try {
        return FromHandle(handle)->ProcessFile(operation, destPath, destName);
    } catch (const std::bad_alloc&) {
        return ERAR_NO_MEMORY;
    } catch (...) {
        return ERAR_UNKNOWN;
    }
}

KIV_UNRAR_EXPORT void RARSetChangeVolProc(void* handle, CHANGEVOLPROC proc) {
    if (handle != nullptr) FromHandle(handle)->SetChangeVolumeProc(proc);
}

KIV_UNRAR_EXPORT void RARSetProcessDataProc(void* handle, PROCESSDATAPROC proc) {
    if (handle != nullptr) FromHandle(handle)->SetProcessDataProc(proc);
}

KIV_UNRAR_EXPORT void RARSetPassword(void* handle, char* password) {
    if (handle == nullptr) return;
    try {
        FromHandle(handle)->SetPassword(password ? password : "");
    } catch (...) {
        // Without memory for the copy the password is not kept; encrypted entries then fail
        // with ERAR_MISSING_PASSWORD.
    }
}

}  // extern "C"
