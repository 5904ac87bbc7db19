// TComponent: owned components, names, component state, loading and removal notices.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/enum_set.h"
#include "framework/persistent.h"

namespace kiv {

enum class TComponentStateItem : std::uint8_t {
    csLoading,     // a design is being applied to it; Loaded() follows
    csReading,     // its properties are being read from a design
    csWriting,     // it is being written to a design
    csDestroying,  // its destructor has begun
    csDesigning,   // it is being edited in a designer, not run
};
using TComponentState = EnumSet<TComponentStateItem>;

enum class TOperation { opInsert, opRemove };

class DesignReader;
class DesignWriter;

// A component belongs to an owner that holds it in a std::unique_ptr and destroys it, with all
// the components it owns in turn, in the reverse order of their creation.
//
// Every component class has a constructor whose first parameter is the owner,
// `explicit TFoo(TComponent* owner)`; the constructor may look at Owner() but is not yet in the
// owner's list. Create owned components with `owner.Make<TFoo>()`, which constructs and inserts;
// a component without an owner lives in a std::unique_ptr of its creator.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    // Sets csDestroying on itself and its components, tells every component that asked for a
    // free notification, destroys its components last-created first.
    ~TComponent() override;

    // Creates a T(this, args...) owned by this component and returns it.
    template <typename T, typename... Args>
    T& Make(Args&&... args) {
        auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
        T& result = *component;
        InsertComponent(std::move(component));
        return result;
    }
    // Takes ownership of `component` (whose Owner() must be null or this): checks that its name
    // is unique here (EComponentError), then sends Notification(component, opInsert).
    TComponent& InsertComponent(std::unique_ptr<TComponent> component);
    // Gives up ownership after sending Notification(component, opRemove); EComponentError when
    // `component` is not owned here. Null when a handler of that notice removed it already.
    std::unique_ptr<TComponent> RemoveComponent(TComponent& component);
    // Destroys one owned component (RemoveComponent, then destruction).
    void DestroyComponent(TComponent& component) { RemoveComponent(component).reset(); }

    TComponent* Owner() const { return m_owner; }
    TPersistent* GetOwner() const override { return m_owner; }
    int ComponentCount() const { return static_cast<int>(m_components.size()); }
    // EListError "List index out of bounds (%d)" outside 0..ComponentCount()-1.
    TComponent* Components(int index) const;
    // The owned component with this name, compared without regard to ASCII case; nullptr when
    // there is none or `name` is empty.
    TComponent* FindComponent(std::string_view name) const;
    // Position in the owner's list, -1 without owner.
    int ComponentIndex() const;

    const std::string& Name() const { return m_name; }
    // Renames the component. The name is empty or an identifier (a letter or '_', then letters,
    // digits or '_') unique among the owner's components, else EComponentError. Overrides call
    // the base and may react to the change afterwards.
    virtual void SetName(const std::string& name);
    std::int64_t Tag() const { return m_tag; }
    void SetTag(std::int64_t tag) { m_tag = tag; }

    TComponentState ComponentState() const { return m_state; }
    // Marks this component and those it owns (now and later) as edited in a designer.
    void SetDesigning(bool designing);

    // `other` will send Notification(other, opRemove) to this component when it is destroyed,
    // even when it is not a sibling. Both sides forget the link when either is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Parent links for components nested in a design (controls); plain components have none.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    // Called by the design reader with the object a component is nested in (the root for
    // top-level ones), before its properties are read.
    virtual void SetParentComponent(TComponent* /*parent*/) {}
    // The components the design writer nests inside this one, in creation order. The base lists,
    // for the root only, its owned components that have no parent.
    virtual void GetChildren(const std::function<void(TComponent&)>& proc,
                             const TComponent* root) const;

    static bool IsValidIdent(std::string_view name);

protected:
    // Called once after a design has been applied to the whole tree, in creation order, with
    // csLoading still set; the base clears csLoading, so overrides call it first.
    virtual void Loaded();
    // Sent to the owner, and passed on by it to all its components, when a component is
    // inserted or removed, and to free-notification partners on destruction. Overrides call the
    // base, which forgets the free-notification link of a removed component and passes the
    // notice on to the owned components.
    virtual void Notification(TComponent* component, TOperation operation);
    // Destroys the owned components last-created first. Destructors of descendants whose
    // components depend on the descendant's own members call Destroying() and then this first.
    void DestroyComponents();
    // Sets csDestroying on this component and those it owns, as the destructor does.
    void Destroying() { MarkDestroying(); }

private:
    friend class DesignReader;
    friend class DesignWriter;

    void SetState(TComponentState add, TComponentState remove);
    void ValidateRename(const TComponent* component, const std::string& newName) const;
    void MarkDestroying();

    TComponent* m_owner = nullptr;
    std::vector<std::unique_ptr<TComponent>> m_components;
    std::vector<TComponent*> m_freeNotifies;
    std::string m_name;
    std::int64_t m_tag = 0;
    TComponentState m_state;
};

}  // namespace kiv
