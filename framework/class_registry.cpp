// The registry of classes, their published properties and methods.
#include "framework/class_registry.h"

#include <algorithm>
#include <unordered_map>

#include "framework/exception.h"
#include "framework/text_compare.h"

namespace kiv {

namespace {

struct Registry {
    std::vector<std::unique_ptr<ClassInfo>> classes;
    std::unordered_map<std::type_index, const ClassInfo*> byType;
};

// Registration runs from static initialisers in any order; a function-local registry is built
// before the first of them uses it.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

bool PropertyInfo::CanWrite() const {
    switch (kind) {
        case PropKind::Integer:
        case PropKind::Boolean:
        case PropKind::Enum:
        case PropKind::Set:
            return static_cast<bool>(setOrdinal);
        case PropKind::String:
            return static_cast<bool>(setString);
        case PropKind::Float:
            return static_cast<bool>(setFloat);
        case PropKind::Object:
        case PropKind::Collection:
            return static_cast<bool>(getObject);
        case PropKind::Component:
            return static_cast<bool>(setComponent);
        case PropKind::Event:
            return static_cast<bool>(setEvent);
    }
    return false;
}

ClassInfo::ClassInfo(std::string name, std::type_index type, std::optional<std::type_index> parent,
                     Factory factory, std::vector<PropertyInfo> properties,
                     std::vector<MethodInfo> methods)
    : m_name(std::move(name)),
      m_type(type),
      m_parent(parent),
      m_factory(std::move(factory)),
      m_properties(std::move(properties)),
      m_methods(std::move(methods)) {}

const ClassInfo* ClassInfo::Parent() const {
    return m_parent ? ClassInfoOf(*m_parent) : nullptr;
}

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c; c = c->Parent()) {
        if (c == &other) return true;
    }
    return false;
}

std::vector<const PropertyInfo*> ClassInfo::Properties() const {
    std::vector<const ClassInfo*> chain;
    for (const ClassInfo* c = this; c; c = c->Parent()) chain.push_back(c);
    std::vector<const PropertyInfo*> result;
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        for (const PropertyInfo& property : (*c)->m_properties) {
            auto same = std::find_if(result.begin(), result.end(), [&](const PropertyInfo* p) {
                return SameText(p->name, property.name);
            });
            if (same != result.end()) {
                *same = &property;
            } else {
                result.push_back(&property);
            }
        }
    }
    return result;
}

const PropertyInfo* ClassInfo::FindProperty(std::string_view name) const {
    for (const ClassInfo* c = this; c; c = c->Parent()) {
        for (const PropertyInfo& property : c->m_properties) {
            if (SameText(property.name, name)) return &property;
        }
    }
    return nullptr;
}

const MethodInfo* ClassInfo::FindMethod(std::string_view name) const {
    for (const ClassInfo* c = this; c; c = c->Parent()) {
        for (const MethodInfo& method : c->m_methods) {
            if (SameText(method.name, name)) return &method;
        }
    }
    return nullptr;
}

std::unique_ptr<TComponent> ClassInfo::Create(TComponent* owner) const {
    if (!m_factory) throw EComponentError(FormatMessage("Cannot create an instance of %s", m_name));
    return m_factory(owner);
}

void RegisterClassInfo(ClassInfo info) {
    Registry& registry = TheRegistry();
    if (registry.byType.count(info.Type())) return;
    if (FindClass(info.Name())) {
        throw EComponentError(FormatMessage("A class named %s is already registered", info.Name()));
    }
    auto stored = std::make_unique<ClassInfo>(std::move(info));
    registry.byType.emplace(stored->Type(), stored.get());
    registry.classes.push_back(std::move(stored));
}

const ClassInfo* FindClass(std::string_view name) {
    for (const auto& info : TheRegistry().classes) {
        if (SameText(info->Name(), name)) return info.get();
    }
    return nullptr;
}

const ClassInfo& GetClass(std::string_view name) {
    if (const ClassInfo* info = FindClass(name)) return *info;
    throw EComponentError(FormatMessage("Class %s not found", std::string(name)));
}

const ClassInfo* ClassInfoOf(const TObject& object) {
    return ClassInfoOf(std::type_index(typeid(object)));
}

const ClassInfo* ClassInfoOf(std::type_index type) {
    const Registry& registry = TheRegistry();
    auto it = registry.byType.find(type);
    return it == registry.byType.end() ? nullptr : it->second;
}

}  // namespace kiv
