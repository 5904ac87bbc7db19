// The built libunrar.so loads by path, exports the seven calls and is never unloaded.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <memory>

namespace {

TEST(UnrarLibrary, ExportsTheSevenCallsAndNothingOfOurs) {
    std::unique_ptr<void, int (*)(void*)> lib(dlopen(KIV_UNRAR_LIBRARY, RTLD_NOW | RTLD_LOCAL),
                                              dlclose);
    ASSERT_TRUE(lib) << dlerror();
    for (const char* name : {"RAROpenArchive", "RARCloseArchive", "RARReadHeader", "RARProcessFile",
                             "RARSetChangeVolProc", "RARSetProcessDataProc", "RARSetPassword"}) {
        EXPECT_NE(dlsym(lib.get(), name), nullptr) << name;
    }
    EXPECT_EQ(dlsym(lib.get(),
                    "_ZN3kiv3rar7ArchiveC1ERKNSt7__cxx1112basic_stringIcSt11char_"
                    "traitsIcESaIcEEEj"),
              nullptr);
}

// BLAKE2sp runs on OpenMP worker threads that outlive the call; a library unmapped under them
// crashes the process after its last RARCloseArchive (kiv-extract did, now and then).
TEST(UnrarLibrary, StaysLoadedAfterDlclose) {
    std::unique_ptr<void, int (*)(void*)> lib(dlopen(KIV_UNRAR_LIBRARY, RTLD_NOW | RTLD_LOCAL),
                                              dlclose);
    ASSERT_TRUE(lib) << dlerror();
    link_map* map = nullptr;
    ASSERT_EQ(dlinfo(lib.get(), RTLD_DI_LINKMAP, &map), 0) << dlerror();
    ElfW(Xword) flags = 0;
    for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
        if (d->d_tag == DT_FLAGS_1) flags = d->d_un.d_val;
    }
    EXPECT_NE(flags & DF_1_NODELETE, 0u);
}

}  // namespace
