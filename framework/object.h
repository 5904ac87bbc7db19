// TObject: the root of the framework's classes, with the registered class name.
#pragma once

#include <string>

namespace kiv {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // The name the dynamic class was registered under (class_registry.h); for an unregistered
    // class, its C++ name without namespaces.
    std::string ClassName() const;
};

}  // namespace kiv
