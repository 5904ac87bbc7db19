// TObject's class name, from the registry or the C++ type.
#include "framework/object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "framework/class_registry.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TObject, void>("TObject");

std::string UnqualifiedTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    std::string name = status == 0 && demangled ? demangled.get() : type.name();
    // Drop namespaces but keep template arguments whole.
    std::size_t depth = 0, start = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '<') ++depth;
        if (name[i] == '>' && depth > 0) --depth;
        if (depth == 0 && name.compare(i, 2, "::") == 0) start = i + 2;
    }
    return name.substr(start);
}

}  // namespace

std::string TObject::ClassName() const {
    if (const ClassInfo* info = ClassInfoOf(*this)) return info->Name();
    return UnqualifiedTypeName(typeid(*this));
}

}  // namespace kiv
