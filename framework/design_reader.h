// DesignReader: creates components from a design and sets their properties.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/design_parser.h"
#include "framework/filer.h"

namespace kiv {

class ClassInfo;
class TCollection;
class TComponent;
class TPersistent;
struct PropertyInfo;

// Applies a design in four steps: parse the whole text (a syntax error creates nothing); create
// the components in design order, owned by the root, each with csLoading and csReading set, its
// name, its parent (SetParentComponent) and then its properties in design order through the
// registered setters; resolve the component references once everything exists; call Loaded once
// per component in creation order (the root first) and clear the states.
//
// Any failure (unknown class or property, a value of the wrong kind, an unknown enum name, a
// value out of range, a handler the root's class does not publish, an exception from a setter)
// raises EDesignError naming the design, line and column, after destroying every component the
// read created. Properties already set on an existing root keep their new values.
class DesignReader : public TFiler {
public:
    DesignReader(std::string designName, BundledFileResolver files = {});
    ~DesignReader() override;

    // Reads into an existing root, whose registered class must be the design's root class.
    void ReadRoot(TComponent& root, std::string_view text);
    // Creates the root from the design's root class (without owner) and reads into it.
    std::unique_ptr<TComponent> ReadComponent(std::string_view text);

    void DefineProperty(const std::string& name, ValueReader reader, ValueWriter writer,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, StreamReader reader, StreamWriter writer,
                              bool hasData) override;

private:
    struct Fixup {
        TPersistent* target;
        const PropertyInfo* property;
        const DesignValue* value;
    };

    void Apply(TComponent& root, const DesignObject& tree);
    void ReadObject(TComponent& component, const DesignObject& node);
    void ReadChild(TComponent& parent, const DesignObject& node);
    void ReadProperties(TPersistent& target, const std::vector<DesignProperty>& properties);
    void ReadProperty(TPersistent& target, const DesignProperty& property);
    void SetValue(TPersistent& target, const PropertyInfo& info, const DesignValue& value);
    void SetOrdinal(TPersistent& target, const PropertyInfo& info, const DesignValue& value);
    void ReadCollection(TPersistent& target, const PropertyInfo& info, const DesignValue& value);
    void DropFixupsWithin(const TCollection& collection);
    void SetEvent(TPersistent& target, const PropertyInfo& info, const DesignValue& value);
    void ReadDefined(TPersistent& target, const std::string& name, const DesignProperty& property);
    void ResolveFixups();
    void FinishLoading();
    void Undo();
    [[noreturn]] void Fail(int line, int column, const std::string& problem) const;
    template <typename Action>
    void At(int line, int column, Action&& action) const;

    std::string m_designName;
    BundledFileResolver m_files;
    TComponent* m_root = nullptr;
    std::vector<TComponent*> m_created;  // creation order, the root first
    std::vector<const DesignObject*> m_createdAt;
    std::vector<Fixup> m_fixups;
    // The defined property being looked for while DefineProperties runs.
    const std::string* m_wantedName = nullptr;
    const DesignValue* m_wantedValue = nullptr;
    bool m_found = false;
};

// Shorthands for DesignReader.
void ReadDesign(TComponent& root, std::string_view text, const std::string& designName,
                BundledFileResolver files = {});
std::unique_ptr<TComponent> CreateFromDesign(std::string_view text, const std::string& designName,
                                             BundledFileResolver files = {});

}  // namespace kiv
