// DesignWriter: writes a component, its published values and its children as design text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/filer.h"

namespace kiv {

class ClassInfo;
class TComponent;
class TPersistent;
struct PropertyInfo;

// Writes the syntax DesignParser reads: per object its stored published properties in
// registration order (skipping not-stored properties and those at their default), nested
// objects' values as dotted names, then the values of DefineProperties, then the children
// (GetChildren) in creation order. Binary values are hex, 32 bytes to a line; a design read back
// and written again gives the same text. Raises EPropertyError for an object whose class is not
// registered, or a value the syntax cannot hold (a non-finite float).
class DesignWriter : public TFiler {
public:
    DesignWriter();
    ~DesignWriter() override;

    std::string Write(TComponent& root);

    void DefineProperty(const std::string& name, ValueReader reader, ValueWriter writer,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, StreamReader reader, StreamWriter writer,
                              bool hasData) override;

private:
    void WriteObject(TComponent& component, int indent);
    void WriteProperties(TPersistent& object, const std::string& prefix, int indent);
    void WriteProperty(TPersistent& object, const PropertyInfo& property, const std::string& name,
                       int indent);
    void WriteCollection(TPersistent& object, const PropertyInfo& property, const std::string& name,
                         int indent);
    void WriteValue(const DesignValue& value, int indent);
    void WriteBinary(const std::vector<std::uint8_t>& bytes, int indent);
    static std::string QuotedString(const std::string& text);
    void Line(int indent, const std::string& text);

    std::string m_out;
    const TComponent* m_root = nullptr;
    std::string m_prefix;  // of the object whose DefineProperties runs
    int m_indent = 0;
};

// Shorthand for DesignWriter().Write(root).
std::string WriteDesign(TComponent& root);

}  // namespace kiv
