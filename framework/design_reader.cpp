// DesignReader: applies a parsed design to components through the class registry.
#include "framework/design_reader.h"

#include "framework/class_registry.h"
#include "framework/collection.h"
#include "framework/collection_item.h"
#include "framework/component.h"
#include "framework/exception.h"
#include "framework/memory_stream.h"
#include "framework/text_compare.h"
#include "framework/update_scope.h"

namespace kiv {

namespace {

constexpr TComponentState kReadingStates{TComponentStateItem::csLoading,
                                         TComponentStateItem::csReading};

const char* KindName(DesignValue::Kind kind) {
    switch (kind) {
        case DesignValue::Kind::Integer:
            return "an integer";
        case DesignValue::Kind::Float:
            return "a floating-point number";
        case DesignValue::Kind::String:
            return "a string";
        case DesignValue::Kind::Ident:
            return "an identifier";
        case DesignValue::Kind::Set:
            return "a set";
        case DesignValue::Kind::List:
            return "a list";
        case DesignValue::Kind::Collection:
            return "a collection";
        case DesignValue::Kind::Binary:
            return "a binary value";
    }
    return "a value";
}

}  // namespace

DesignReader::DesignReader(std::string designName, BundledFileResolver files)
    : m_designName(std::move(designName)), m_files(std::move(files)) {}

DesignReader::~DesignReader() = default;

void DesignReader::Fail(int line, int column, const std::string& problem) const {
    throw EDesignError(DesignErrorText(m_designName, line, column, problem));
}

// Framework errors from setters, constructors and Loaded become design errors at the position
// that caused them; design errors pass unchanged.
template <typename Action>
void DesignReader::At(int line, int column, Action&& action) const {
    try {
        action();
    } catch (const EDesignError&) {
        throw;
    } catch (const Exception& error) {
        Fail(line, column, error.Message());
    }
}

void DesignReader::ReadRoot(TComponent& root, std::string_view text) {
    DesignObject tree = DesignParser(m_designName, m_files).Parse(text);
    const ClassInfo* info = ClassInfoOf(root);
    if (!info) {
        Fail(tree.line, tree.column, FormatMessage("Class %s is not registered", root.ClassName()));
    }
    if (!SameText(info->Name(), tree.className)) {
        Fail(tree.line, tree.column,
             FormatMessage("The design holds a %s, not a %s", tree.className, info->Name()));
    }
    Apply(root, tree);
}

std::unique_ptr<TComponent> DesignReader::ReadComponent(std::string_view text) {
    DesignObject tree = DesignParser(m_designName, m_files).Parse(text);
    const ClassInfo* info = FindClass(tree.className);
    if (!info) Fail(tree.line, tree.column, FormatMessage("Class %s not found", tree.className));
    if (!info->CanCreate()) {
        Fail(tree.line, tree.column, FormatMessage("Class %s is not a component", info->Name()));
    }
    std::unique_ptr<TComponent> root;
    At(tree.line, tree.column, [&] { root = info->Create(nullptr); });
    Apply(*root, tree);
    return root;
}

void DesignReader::Apply(TComponent& root, const DesignObject& tree) {
    m_root = &root;
    m_created = {&root};
    m_createdAt = {&tree};
    m_fixups.clear();
    m_wantedName = nullptr;
    try {
        root.SetState(kReadingStates, {});
        if (!tree.name.empty()) At(tree.line, tree.column, [&] { root.SetName(tree.name); });
        ReadObject(root, tree);
        ResolveFixups();
        FinishLoading();
    } catch (...) {
        Undo();
        throw;
    }
    m_created.clear();
    m_createdAt.clear();
    m_fixups.clear();
}

void DesignReader::ReadObject(TComponent& component, const DesignObject& node) {
    ReadProperties(component, node.properties);
    for (const DesignObject& child : node.children) ReadChild(component, child);
}

void DesignReader::ReadChild(TComponent& parent, const DesignObject& node) {
    const ClassInfo* info = FindClass(node.className);
    if (!info) Fail(node.line, node.column, FormatMessage("Class %s not found", node.className));
    if (!info->CanCreate()) {
        Fail(node.line, node.column, FormatMessage("Class %s is not a component", info->Name()));
    }
    std::unique_ptr<TComponent> created;
    At(node.line, node.column, [&] { created = info->Create(m_root); });
    created->SetState(kReadingStates, {});
    TComponent* component = created.get();
    At(node.line, node.column, [&] { m_root->InsertComponent(std::move(created)); });
    m_created.push_back(component);
    m_createdAt.push_back(&node);
    At(node.line, node.column, [&] { component->SetName(node.name); });
    At(node.line, node.column, [&] { component->SetParentComponent(&parent); });
    ReadObject(*component, node);
}

void DesignReader::ReadProperties(TPersistent& target,
                                  const std::vector<DesignProperty>& properties) {
    for (const DesignProperty& property : properties) ReadProperty(target, property);
}

void DesignReader::ReadProperty(TPersistent& target, const DesignProperty& property) {
    TPersistent* object = &target;
    std::string_view path = property.name;
    for (std::size_t dot; (dot = path.find('.')) != std::string_view::npos;) {
        std::string_view segment = path.substr(0, dot);
        const ClassInfo* info = ClassInfoOf(*object);
        const PropertyInfo* nested = info ? info->FindProperty(segment) : nullptr;
        if (!nested) {
            Fail(property.line, property.column,
                 FormatMessage("Unknown property %s of %s", std::string(segment),
                               object->ClassName()));
        }
        if (nested->kind != PropKind::Object && nested->kind != PropKind::Collection) {
            Fail(property.line, property.column,
                 FormatMessage("Property %s has no fields", nested->name));
        }
        TPersistent* inner = nested->getObject(*object);
        if (!inner) {
            Fail(property.line, property.column,
                 FormatMessage("Property %s holds no object", nested->name));
        }
        object = inner;
        path.remove_prefix(dot + 1);
    }
    std::string name(path);
    const ClassInfo* info = ClassInfoOf(*object);
    const PropertyInfo* published = info ? info->FindProperty(name) : nullptr;
    if (published) {
        if (!published->CanWrite()) {
            Fail(property.line, property.column,
                 FormatMessage("Property %s is read-only", published->name));
        }
        SetValue(*object, *published, property.value);
        return;
    }
    ReadDefined(*object, name, property);
}

void DesignReader::SetValue(TPersistent& target, const PropertyInfo& info,
                            const DesignValue& value) {
    auto expect = [&](DesignValue::Kind kind) {
        if (value.kind != kind) {
            Fail(value.line, value.column,
                 FormatMessage("Property %s needs %s, not %s", info.name, KindName(kind),
                               KindName(value.kind)));
        }
    };
    switch (info.kind) {
        case PropKind::Integer:
        case PropKind::Boolean:
        case PropKind::Enum:
        case PropKind::Set:
            SetOrdinal(target, info, value);
            return;
        case PropKind::String:
            expect(DesignValue::Kind::String);
            At(value.line, value.column, [&] { info.setString(target, value.text); });
            return;
        case PropKind::Float:
            if (value.kind == DesignValue::Kind::Integer) {
                At(value.line, value.column,
                   [&] { info.setFloat(target, static_cast<double>(value.integer)); });
                return;
            }
            expect(DesignValue::Kind::Float);
            At(value.line, value.column, [&] { info.setFloat(target, value.real); });
            return;
        case PropKind::Object:
            Fail(value.line, value.column,
                 FormatMessage("Property %s is an object; set its fields as %s.<field>", info.name,
                               info.name));
        case PropKind::Collection:
            ReadCollection(target, info, value);
            return;
        case PropKind::Component:
            expect(DesignValue::Kind::Ident);
            if (SameText(value.text, "nil")) {
                At(value.line, value.column, [&] { info.setComponent(target, nullptr); });
                return;
            }
            m_fixups.push_back({&target, &info, &value});
            return;
        case PropKind::Event:
            SetEvent(target, info, value);
            return;
    }
}

void DesignReader::SetOrdinal(TPersistent& target, const PropertyInfo& info,
                              const DesignValue& value) {
    auto badValue = [&](const DesignValue& at) {
        Fail(at.line, at.column,
             FormatMessage("Invalid value %s for property %s",
                           at.kind == DesignValue::Kind::Ident ? at.text : KindName(at.kind),
                           info.name));
    };
    auto ordinalOf = [&](const DesignValue& at) {
        std::int64_t found = -1;
        for (std::size_t i = 0; i < info.names.size() && at.kind == DesignValue::Kind::Ident; ++i) {
            if (SameText(info.names[i], at.text)) found = static_cast<std::int64_t>(i);
        }
        if (found < 0) badValue(at);
        return found;
    };
    std::int64_t ordinal = 0;
    switch (info.kind) {
        case PropKind::Boolean:
            if (value.kind == DesignValue::Kind::Ident && SameText(value.text, "True")) {
                ordinal = 1;
            } else if (!(value.kind == DesignValue::Kind::Ident && SameText(value.text, "False"))) {
                badValue(value);
            }
            break;
        case PropKind::Enum:
            ordinal = ordinalOf(value);
            break;
        case PropKind::Set:
            if (value.kind != DesignValue::Kind::Set) badValue(value);
            for (const DesignValue& item : value.items) {
                std::int64_t bit = ordinalOf(item);
                if (bit >= 64) badValue(item);
                ordinal |= static_cast<std::int64_t>(std::uint64_t{1} << bit);
            }
            break;
        default:  // Integer
            if (value.kind == DesignValue::Kind::Ident) {
                auto ident =
                    std::find_if(info.idents.begin(), info.idents.end(),
                                 [&](const IdentValue& i) { return SameText(i.name, value.text); });
                if (ident == info.idents.end()) badValue(value);
                ordinal = ident->value;
            } else if (value.kind == DesignValue::Kind::Integer) {
                ordinal = value.integer;
            } else {
                badValue(value);
            }
            if (ordinal < info.minValue || ordinal > info.maxValue) {
                Fail(value.line, value.column,
                     FormatMessage("Value %d out of range for property %s (%d..%d)", ordinal,
                                   info.name, info.minValue, info.maxValue));
            }
            break;
    }
    At(value.line, value.column, [&] { info.setOrdinal(target, ordinal); });
}

void DesignReader::ReadCollection(TPersistent& target, const PropertyInfo& info,
                                  const DesignValue& value) {
    if (value.kind != DesignValue::Kind::Collection) {
        Fail(value.line, value.column,
             FormatMessage("Property %s needs a collection < ... >", info.name));
    }
    auto* collection = dynamic_cast<TCollection*>(info.getObject(target));
    if (!collection) {
        Fail(value.line, value.column, FormatMessage("Property %s holds no collection", info.name));
    }
    UpdateScope update(*collection);
    DropFixupsWithin(*collection);
    At(value.line, value.column, [&] { collection->Clear(); });
    for (const auto& properties : value.collectionItems) {
        TCollectionItem* item = nullptr;
        At(value.line, value.column, [&] { item = collection->Add(); });
        ReadProperties(*item, properties);
    }
}

// A collection read a second time destroys the items of the first read; references still waiting
// to be set on them (or on anything they own) must not outlive them.
void DesignReader::DropFixupsWithin(const TCollection& collection) {
    auto within = [&](const TPersistent* target) {
        for (const TPersistent* owner = target->GetOwner(); owner; owner = owner->GetOwner()) {
            if (owner == &collection) return true;
        }
        return false;
    };
    std::erase_if(m_fixups, [&](const Fixup& fixup) { return within(fixup.target); });
}

void DesignReader::SetEvent(TPersistent& target, const PropertyInfo& info,
                            const DesignValue& value) {
    if (value.kind != DesignValue::Kind::Ident) {
        Fail(value.line, value.column,
             FormatMessage("Property %s needs the name of a method", info.name));
    }
    const ClassInfo* rootInfo = ClassInfoOf(*m_root);
    const MethodInfo* method = rootInfo ? rootInfo->FindMethod(value.text) : nullptr;
    if (!method) {
        Fail(value.line, value.column,
             FormatMessage("Method %s not found in %s", value.text, m_root->ClassName()));
    }
    std::any bound = method->bind(*m_root);
    bool fits = false;
    At(value.line, value.column, [&] { fits = bound.has_value() && info.setEvent(target, bound); });
    if (!fits) {
        Fail(value.line, value.column,
             FormatMessage("Method %s does not fit event %s", method->name, info.name));
    }
}

void DesignReader::ReadDefined(TPersistent& target, const std::string& name,
                               const DesignProperty& property) {
    m_wantedName = &name;
    m_wantedValue = &property.value;
    m_found = false;
    try {
        target.DefineProperties(*this);
    } catch (...) {
        m_wantedName = nullptr;
        throw;
    }
    m_wantedName = nullptr;
    if (!m_found) {
        Fail(property.line, property.column,
             FormatMessage("Unknown property %s of %s", property.name, target.ClassName()));
    }
}

void DesignReader::DefineProperty(const std::string& name, ValueReader reader,
                                  ValueWriter /*writer*/, bool /*hasData*/) {
    if (!m_wantedName || m_found || !SameText(name, *m_wantedName)) return;
    m_found = true;
    const DesignValue& value = *m_wantedValue;
    if (!reader) Fail(value.line, value.column, FormatMessage("Property %s is read-only", name));
    At(value.line, value.column, [&] { reader(value); });
}

void DesignReader::DefineBinaryProperty(const std::string& name, StreamReader reader,
                                        StreamWriter /*writer*/, bool /*hasData*/) {
    if (!m_wantedName || m_found || !SameText(name, *m_wantedName)) return;
    m_found = true;
    const DesignValue& value = *m_wantedValue;
    if (value.kind != DesignValue::Kind::Binary) {
        Fail(value.line, value.column,
             FormatMessage("Property %s needs a binary value { ... }", name));
    }
    if (!reader) Fail(value.line, value.column, FormatMessage("Property %s is read-only", name));
    TMemoryStream stream;
    At(value.line, value.column, [&] {
        stream.WriteBuffer(value.bytes.data(), static_cast<std::int64_t>(value.bytes.size()));
        stream.SetPosition(0);
        reader(stream);
    });
}

void DesignReader::ResolveFixups() {
    for (const Fixup& fixup : m_fixups) {
        const DesignValue& value = *fixup.value;
        TComponent* component = m_root->FindComponent(value.text);
        if (!component && !m_root->Name().empty() && SameText(value.text, m_root->Name())) {
            component = m_root;
        }
        if (!component) {
            Fail(value.line, value.column, FormatMessage("Component %s not found", value.text));
        }
        bool fits = false;
        At(value.line, value.column,
           [&] { fits = fixup.property->setComponent(*fixup.target, component); });
        if (!fits) {
            Fail(value.line, value.column,
                 FormatMessage("Component %s is a %s, which does not fit property %s", value.text,
                               component->ClassName(), fixup.property->name));
        }
    }
}

void DesignReader::FinishLoading() {
    for (TComponent* component : m_created) {
        component->SetState({}, {TComponentStateItem::csReading});
    }
    for (std::size_t i = 0; i < m_created.size(); ++i) {
        At(m_createdAt[i]->line, m_createdAt[i]->column, [&] { m_created[i]->Loaded(); });
    }
    for (TComponent* component : m_created) {
        component->SetState({}, {TComponentStateItem::csLoading});
    }
}

void DesignReader::Undo() {
    // The root first held everything this read created; destroy those, newest first, but only
    // while the root still owns them.
    for (std::size_t i = m_created.size(); i-- > 1;) {
        TComponent* component = m_created[i];
        for (int j = m_root->ComponentCount(); j-- > 0;) {
            if (m_root->Components(j) == component) {
                m_root->DestroyComponent(*component);
                break;
            }
        }
    }
    m_root->SetState({}, kReadingStates);
    m_created.clear();
    m_createdAt.clear();
    m_fixups.clear();
}

void ReadDesign(TComponent& root, std::string_view text, const std::string& designName,
                BundledFileResolver files) {
    DesignReader(designName, std::move(files)).ReadRoot(root, text);
}

std::unique_ptr<TComponent> CreateFromDesign(std::string_view text, const std::string& designName,
                                             BundledFileResolver files) {
    return DesignReader(designName, std::move(files)).ReadComponent(text);
}

}  // namespace kiv
