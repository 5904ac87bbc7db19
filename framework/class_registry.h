// Classes registered by name, with their published properties and methods, for designs.
//
// Each class registers once, in its .cpp, from a namespace-scope initialiser. Properties are
// listed in declaration order and inherited by registered subclasses; Prop() works out the kind
// from the getter's type:
//
//   // foo.cpp
//   namespace {
//   const bool registered = kiv::RegisterClass<TFoo, kiv::TComponent>(
//       "TFoo",
//       {
//           kiv::Prop("Caption", &TFoo::Caption, &TFoo::SetCaption),         // String
//           kiv::Prop("Width", &TFoo::Width, &TFoo::SetWidth).Default(100),  // Integer
//           kiv::Prop("Color", &TFoo::Color, &TFoo::SetColor).Idents(kColorIdents),
//           kiv::Prop("Alignment", &TFoo::Alignment, &TFoo::SetAlignment),   // Enum (EnumInfo)
//           kiv::Prop("Options", &TFoo::Options, &TFoo::SetOptions),         // Set (EnumSet)
//           kiv::Prop("Font", &TFoo::Font),                   // Object: TFont* Font() const
//           kiv::Prop("Lines", &TFoo::Lines),                 // TStrings*: Lines.Strings = (...)
//           kiv::Prop("Items", &TFoo::Items),                 // TCollection*: Items = <...>
//           kiv::Prop("Partner", &TFoo::Partner, &TFoo::SetPartner),  // component reference
//           kiv::Prop("OnClick", &TFoo::OnClick, &TFoo::SetOnClick),  // Event<...>
//           kiv::Prop("Filename", &TFoo::Filename, &TFoo::SetFilename).Stored(false),
//       });
//   }  // namespace
//
// A window class publishes the methods that its design's events name:
//
//   const bool registered = kiv::RegisterClass<TfrmMain, TForm>(
//       "TfrmMain", {}, {kiv::Method("btnOKClick", &TfrmMain::btnOKClick)});
//
// Getters are const member functions returning the value (or, for objects, collections and
// components, a pointer); setters take the value. A class is found by the dynamic type of an
// object, so a subclass without its own registration has no published properties of its own:
// register it too. Registration is not thread-safe; it happens during static initialisation.
// A class's .cpp is linked whenever the class is used in code; a class that only designs name
// must be referenced from code (for instance by a ClassInfoOf<TFoo>() call) so it is linked.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "framework/collection.h"
#include "framework/component.h"
#include "framework/enum_set.h"
#include "framework/event.h"
#include "framework/persistent.h"

namespace kiv {

enum class PropKind {
    Integer,
    Boolean,
    String,
    Float,
    Enum,
    Set,
    Object,
    Collection,
    Component,
    Event
};

// An identifier an Integer property may be written with, e.g. {"clBlack", 0}.
struct IdentValue {
    std::string_view name;
    std::int64_t value;
};

// A published property, type-erased. Only the accessors of its kind are set:
//   Integer, Boolean, Enum, Set: getOrdinal/setOrdinal (sets as a bit mask, enums as ordinals);
//   String: getString/setString; Float: getFloat/setFloat; Object, Collection: getObject;
//   Component: getComponent/setComponent; Event: getString (the method name), setEvent.
// A missing setter makes the property read-only; such properties are not written.
struct PropertyInfo {
    std::string name;
    PropKind kind = PropKind::Integer;
    std::function<std::int64_t(const TPersistent&)> getOrdinal;
    std::function<void(TPersistent&, std::int64_t)> setOrdinal;
    std::int64_t minValue = 0;  // Integer range of the C++ type
    std::int64_t maxValue = 0;
    std::vector<std::string_view> names;  // Enum and Set value names by ordinal
    std::vector<IdentValue> idents;       // Integer identifiers
    std::function<std::string(const TPersistent&)> getString;
    std::function<void(TPersistent&, const std::string&)> setString;
    std::function<double(const TPersistent&)> getFloat;
    std::function<void(TPersistent&, double)> setFloat;
    std::function<TPersistent*(const TPersistent&)> getObject;
    std::function<TComponent*(const TPersistent&)> getComponent;
    std::function<bool(TPersistent&, TComponent*)> setComponent;  // false: wrong class
    std::function<bool(TPersistent&, const std::any&)> setEvent;  // false: wrong signature
    // Not stored properties are never written; empty means stored.
    std::function<bool(const TPersistent&)> isStored;
    // A property holding its declared default is not written. Without a declared default,
    // strings are not written when empty, objects when they write nothing, collections when
    // empty, references and events when unset; the other kinds are always written.
    std::function<bool(const TPersistent&)> isDefault;

    bool CanWrite() const;  // has a setter (objects and collections: a getter)
};

// A published method: binds to a root object, giving an Event<Args...> in a std::any.
struct MethodInfo {
    std::string name;
    std::function<std::any(TObject& root)> bind;
};

class ClassInfo {
public:
    using Factory = std::function<std::unique_ptr<TComponent>(TComponent* owner)>;

    ClassInfo(std::string name, std::type_index type, std::optional<std::type_index> parent,
              Factory factory, std::vector<PropertyInfo> properties,
              std::vector<MethodInfo> methods);

    const std::string& Name() const { return m_name; }
    std::type_index Type() const { return m_type; }
    // The registered base class, or nullptr.
    const ClassInfo* Parent() const;
    bool InheritsFrom(const ClassInfo& other) const;

    // All published properties, those of the oldest base first, each in declaration order. A
    // subclass registering a name again replaces the base's entry in its place.
    std::vector<const PropertyInfo*> Properties() const;
    // Looks a property or method up by name without regard to ASCII case, this class first.
    const PropertyInfo* FindProperty(std::string_view name) const;
    const MethodInfo* FindMethod(std::string_view name) const;

    // Whether Create works: the class is a component with a TFoo(TComponent* owner) constructor.
    bool CanCreate() const { return static_cast<bool>(m_factory); }
    // A new instance that knows `owner` but is not yet in its list; EComponentError when the
    // class cannot be created.
    std::unique_ptr<TComponent> Create(TComponent* owner) const;

private:
    std::string m_name;
    std::type_index m_type;
    std::optional<std::type_index> m_parent;
    Factory m_factory;
    std::vector<PropertyInfo> m_properties;
    std::vector<MethodInfo> m_methods;
};

// Adds a class. Registering the same type again is ignored; another type under a registered name
// (ASCII case ignored) raises EComponentError.
void RegisterClassInfo(ClassInfo info);
// The class registered under `name` (ASCII case ignored), or nullptr.
const ClassInfo* FindClass(std::string_view name);
// As FindClass, but raises EComponentError "Class %s not found".
const ClassInfo& GetClass(std::string_view name);
// The class of the object's dynamic type, or nullptr when that type is not registered.
const ClassInfo* ClassInfoOf(const TObject& object);
const ClassInfo* ClassInfoOf(std::type_index type);
template <typename T>
const ClassInfo* ClassInfoOf() {
    return ClassInfoOf(std::type_index(typeid(T)));
}

namespace detail {

template <typename G>
struct GetterTraits;
template <typename C, typename R>
struct GetterTraits<R (C::*)() const> {
    using Class = C;
    using Value = std::remove_cvref_t<R>;
};
template <typename C, typename R>
struct GetterTraits<R (C::*)() const noexcept> : GetterTraits<R (C::*)() const> {};

template <typename S>
struct SetterTraits;
template <typename C, typename P>
struct SetterTraits<void (C::*)(P)> {
    using Class = C;
    using Value = std::remove_cvref_t<P>;
};
template <typename C, typename P>
struct SetterTraits<void (C::*)(P) noexcept> : SetterTraits<void (C::*)(P)> {};

template <typename T>
struct IsEnumSet : std::false_type {};
template <typename E>
struct IsEnumSet<EnumSet<E>> : std::true_type {
    using Enum = E;
};

template <typename T>
struct IsEvent : std::false_type {};
template <typename... A>
struct IsEvent<Event<A...>> : std::true_type {};

template <typename C>
const C& As(const TPersistent& object) {
    return static_cast<const C&>(object);
}
template <typename C>
C& As(TPersistent& object) {
    return static_cast<C&>(object);
}

template <typename E>
std::vector<std::string_view> NamesOf() {
    return {EnumInfo<E>::names.begin(), EnumInfo<E>::names.end()};
}

template <typename T>
constexpr std::int64_t ClampedMax() {
    if constexpr (std::numeric_limits<T>::max() > std::numeric_limits<std::int64_t>::max()) {
        return std::numeric_limits<std::int64_t>::max();
    } else {
        return static_cast<std::int64_t>(std::numeric_limits<T>::max());
    }
}

template <typename>
inline constexpr bool kAlwaysFalse = false;

}  // namespace detail

// Builds a PropertyInfo from a getter and an optional setter; see the header comment.
template <typename G, typename S = std::nullptr_t>
class PropBuilder {
    using GC = typename detail::GetterTraits<G>::Class;
    using V = typename detail::GetterTraits<G>::Value;

public:
    PropBuilder(std::string name, G getter, S setter)
        : m_name(std::move(name)), m_getter(getter), m_setter(setter) {}

    // The value that is not written. Only for values that compare with ==.
    PropBuilder& Default(V value) {
        G getter = m_getter;
        m_isDefault = [getter, value](const TPersistent& o) {
            return (detail::As<GC>(o).*getter)() == value;
        };
        return *this;
    }
    PropBuilder& Stored(bool stored) {
        m_isStored = [stored](const TPersistent&) { return stored; };
        return *this;
    }
    template <typename C>
    PropBuilder& Stored(bool (C::*predicate)() const) {
        m_isStored = [predicate](const TPersistent& o) { return (detail::As<C>(o).*predicate)(); };
        return *this;
    }
    // Identifiers an Integer property may be written with.
    PropBuilder& Idents(std::initializer_list<IdentValue> idents) {
        m_idents.assign(idents.begin(), idents.end());
        return *this;
    }
    template <typename Range>
    PropBuilder& Idents(const Range& idents) {
        m_idents.assign(std::begin(idents), std::end(idents));
        return *this;
    }

    operator PropertyInfo() const {
        PropertyInfo info;
        info.name = m_name;
        info.isStored = m_isStored;
        info.isDefault = m_isDefault;
        info.idents = m_idents;
        Fill(info);
        return info;
    }

private:
    static constexpr bool kHasSetter = !std::is_same_v<S, std::nullptr_t>;

    template <typename Convert>
    auto Getter(Convert convert) const {
        G getter = m_getter;
        return [getter, convert](const TPersistent& o) {
            return convert((detail::As<GC>(o).*getter)());
        };
    }
    template <typename Convert>
    auto Setter(Convert convert) const {
        if constexpr (kHasSetter) {
            using SC = typename detail::SetterTraits<S>::Class;
            S setter = m_setter;
            return [setter, convert](TPersistent& o, auto value) {
                (detail::As<SC>(o).*setter)(convert(value));
            };
        } else {
            return nullptr;
        }
    }

    void Fill(PropertyInfo& info) const;

    std::string m_name;
    G m_getter;
    S m_setter;
    std::function<bool(const TPersistent&)> m_isStored;
    std::function<bool(const TPersistent&)> m_isDefault;
    std::vector<IdentValue> m_idents;
};

template <typename G, typename S>
void PropBuilder<G, S>::Fill(PropertyInfo& info) const {
    auto identity = [](const auto& v) -> decltype(auto) { return v; };
    if constexpr (kHasSetter) {
        using SV = typename detail::SetterTraits<S>::Value;
        static_assert(std::is_convertible_v<V, SV>, "getter and setter disagree on the type");
    }
    auto setOrdinal = [&](auto convert) {
        if constexpr (kHasSetter) {
            auto set = Setter(convert);
            info.setOrdinal = [set](TPersistent& o, std::int64_t v) { set(o, v); };
        }
    };
    if constexpr (std::is_same_v<V, bool>) {
        info.kind = PropKind::Boolean;
        info.getOrdinal = Getter([](bool v) -> std::int64_t { return v ? 1 : 0; });
        setOrdinal([](std::int64_t v) { return v != 0; });
    } else if constexpr (NamedEnum<V>) {
        info.kind = PropKind::Enum;
        info.names = detail::NamesOf<V>();
        info.getOrdinal = Getter([](V v) { return static_cast<std::int64_t>(v); });
        setOrdinal([](std::int64_t v) { return static_cast<V>(v); });
    } else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>) {
        using U = typename std::conditional_t<std::is_enum_v<V>, std::underlying_type<V>,
                                              std::type_identity<V>>::type;
        info.kind = PropKind::Integer;
        info.minValue = static_cast<std::int64_t>(std::numeric_limits<U>::min());
        info.maxValue = detail::ClampedMax<U>();
        info.getOrdinal = Getter([](V v) { return static_cast<std::int64_t>(v); });
        setOrdinal([](std::int64_t v) { return static_cast<V>(static_cast<U>(v)); });
    } else if constexpr (detail::IsEnumSet<V>::value) {
        info.kind = PropKind::Set;
        info.names = detail::NamesOf<typename detail::IsEnumSet<V>::Enum>();
        info.getOrdinal = Getter([](V v) { return static_cast<std::int64_t>(v.Bits()); });
        setOrdinal([](std::int64_t v) { return V::FromBits(static_cast<std::uint64_t>(v)); });
    } else if constexpr (std::is_same_v<V, std::string>) {
        info.kind = PropKind::String;
        info.getString = Getter(identity);
        if constexpr (kHasSetter) {
            auto set = Setter(identity);
            info.setString = [set](TPersistent& o, const std::string& v) { set(o, v); };
        }
    } else if constexpr (std::is_floating_point_v<V>) {
        info.kind = PropKind::Float;
        info.getFloat = Getter([](V v) { return static_cast<double>(v); });
        if constexpr (kHasSetter) {
            auto set = Setter([](double v) { return static_cast<V>(v); });
            info.setFloat = [set](TPersistent& o, double v) { set(o, v); };
        }
    } else if constexpr (std::is_pointer_v<V>) {
        using P = std::remove_cv_t<std::remove_pointer_t<V>>;
        if constexpr (std::is_base_of_v<TCollection, P> || !std::is_base_of_v<TComponent, P>) {
            static_assert(std::is_base_of_v<TPersistent, P>, "object properties are TPersistent");
            info.kind = std::is_base_of_v<TCollection, P> ? PropKind::Collection : PropKind::Object;
            info.getObject = Getter([](V v) -> TPersistent* { return const_cast<P*>(v); });
        } else {
            info.kind = PropKind::Component;
            info.getComponent = Getter([](V v) -> TComponent* { return const_cast<P*>(v); });
            if constexpr (kHasSetter) {
                auto set = Setter(identity);
                info.setComponent = [set](TPersistent& o, TComponent* c) {
                    P* typed = c ? dynamic_cast<P*>(c) : nullptr;
                    if (c && !typed) return false;
                    set(o, typed);
                    return true;
                };
            }
        }
    } else if constexpr (detail::IsEvent<V>::value) {
        info.kind = PropKind::Event;
        info.getString = Getter([](const V& v) { return v.MethodName(); });
        if constexpr (kHasSetter) {
            auto set = Setter(identity);
            info.setEvent = [set](TPersistent& o, const std::any& bound) {
                const V* event = std::any_cast<V>(&bound);
                if (!event) return false;
                set(o, *event);
                return true;
            };
        }
    } else {
        static_assert(detail::kAlwaysFalse<V>, "no property kind for this type");
    }
}

template <typename G, typename S>
PropBuilder<G, S> Prop(std::string name, G getter, S setter) {
    return PropBuilder<G, S>(std::move(name), getter, setter);
}
template <typename G>
PropBuilder<G> Prop(std::string name, G getter) {
    return PropBuilder<G>(std::move(name), getter, nullptr);
}

// A published method for event properties of the components in this class's designs.
template <typename C, typename... A>
MethodInfo Method(std::string name, void (C::*method)(A...)) {
    return {name, [name, method](TObject& root) -> std::any {
                C* self = dynamic_cast<C*>(&root);
                if (!self) return {};
                return Event<A...>(
                    name, [self, method](A... args) { (self->*method)(std::forward<A>(args)...); });
            }};
}

// Registers T under `name` as a subclass of Base (void for none). Components with a
// T(TComponent* owner) constructor get a factory, so designs can create them. Returns true, for
// use in a namespace-scope initialiser.
template <typename T, typename Base>
bool RegisterClass(std::string name, std::vector<PropertyInfo> properties = {},
                   std::vector<MethodInfo> methods = {}) {
    static_assert(std::is_base_of_v<TObject, T>);
    std::optional<std::type_index> parent;
    if constexpr (!std::is_void_v<Base>) {
        static_assert(std::is_base_of_v<Base, T>, "Base must be a base of T");
        parent = std::type_index(typeid(Base));
    }
    ClassInfo::Factory factory;
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>) {
        factory = [](TComponent* owner) -> std::unique_ptr<TComponent> {
            return std::make_unique<T>(owner);
        };
    }
    RegisterClassInfo(ClassInfo(std::move(name), std::type_index(typeid(T)), parent,
                                std::move(factory), std::move(properties), std::move(methods)));
    return true;
}

}  // namespace kiv
