// The built libunrar.so loads by path and exports the seven calls.
#include <dlfcn.h>
#include <gtest/gtest.h>

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

}  // namespace
