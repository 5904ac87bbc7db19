// TComponent: ownership, names, states and notifications.
#include "framework/component.h"

#include <algorithm>

#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/text_compare.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TComponent, TPersistent>(
    "TComponent", {
                      // The object header carries the name.
                      Prop("Name", &TComponent::Name, &TComponent::SetName).Stored(false),
                      Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0),
                  });

void Forget(std::vector<TComponent*>& list, const TComponent* component) {
    list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

}  // namespace

TComponent::TComponent(TComponent* owner) : m_owner(owner) {
    if (owner && owner->m_state.Contains(TComponentStateItem::csDesigning)) {
        m_state.Include(TComponentStateItem::csDesigning);
    }
}

TComponent::~TComponent() {
    MarkDestroying();
    std::vector<TComponent*> partners = std::move(m_freeNotifies);
    m_freeNotifies.clear();
    for (TComponent* partner : partners) {
        Forget(partner->m_freeNotifies, this);
        partner->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
}

void TComponent::MarkDestroying() {
    m_state.Include(TComponentStateItem::csDestroying);
    for (auto& component : m_components) component->MarkDestroying();
}

void TComponent::DestroyComponents() {
    while (!m_components.empty()) {
        // Tell the remaining components first, so none keeps a pointer to the dying one.
        TComponent* last = m_components.back().get();
        Notification(last, TOperation::opRemove);
        std::unique_ptr<TComponent> dying = std::move(m_components.back());
        m_components.pop_back();
        dying->m_owner = nullptr;
        dying.reset();
    }
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    if (!component) throw EComponentError("Cannot insert a nil component");
    if (component->m_owner != nullptr && component->m_owner != this) {
        throw EComponentError(
            FormatMessage("Component %s already has another owner", component->Name()));
    }
    ValidateRename(component.get(), component->m_name);
    TComponent& inserted = *component;
    inserted.m_owner = this;
    if (m_state.Contains(TComponentStateItem::csDesigning)) inserted.SetDesigning(true);
    m_components.push_back(std::move(component));
    Notification(&inserted, TOperation::opInsert);
    return inserted;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
    auto it = std::find_if(m_components.begin(), m_components.end(),
                           [&](const auto& owned) { return owned.get() == &component; });
    if (it == m_components.end()) {
        throw EComponentError(
            FormatMessage("Component %s is not owned by %s", component.Name(), Name()));
    }
    Notification(&component, TOperation::opRemove);
    // The notification may have changed the list, even taken this very component away; look
    // again, and only by address: `component` may be gone by now.
    it = std::find_if(m_components.begin(), m_components.end(),
                      [&](const auto& owned) { return owned.get() == &component; });
    if (it == m_components.end()) return nullptr;
    std::unique_ptr<TComponent> removed = std::move(*it);
    m_components.erase(it);
    removed->m_owner = nullptr;
    return removed;
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) {
        throw EListError(FormatMessage("List index out of bounds (%d)", index));
    }
    return m_components[static_cast<std::size_t>(index)].get();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& component : m_components) {
        if (SameText(component->m_name, name)) return component.get();
    }
    return nullptr;
}

int TComponent::ComponentIndex() const {
    if (!m_owner) return -1;
    const auto& list = m_owner->m_components;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].get() == this) return static_cast<int>(i);
    }
    return -1;
}

bool TComponent::IsValidIdent(std::string_view name) {
    auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (name.empty() || !letter(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return letter(c) || digit(c); });
}

void TComponent::ValidateRename(const TComponent* component, const std::string& newName) const {
    if (newName.empty()) return;
    for (const auto& owned : m_components) {
        if (owned.get() != component && SameText(owned->m_name, newName)) {
            throw EComponentError(FormatMessage("A component named %s already exists", newName));
        }
    }
}

void TComponent::SetName(const std::string& name) {
    if (name == m_name) return;
    if (!name.empty() && !IsValidIdent(name)) {
        throw EComponentError(FormatMessage("'%s' is not a valid component name", name));
    }
    if (m_owner) m_owner->ValidateRename(this, name);
    m_name = name;
}

void TComponent::SetDesigning(bool designing) {
    if (designing) {
        m_state.Include(TComponentStateItem::csDesigning);
    } else {
        m_state.Exclude(TComponentStateItem::csDesigning);
    }
    for (auto& component : m_components) component->SetDesigning(designing);
}

void TComponent::SetState(TComponentState add, TComponentState remove) {
    m_state.Include(add);
    m_state.Exclude(remove);
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), other) == m_freeNotifies.end()) {
        m_freeNotifies.push_back(other);
    }
    if (std::find(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this) ==
        other->m_freeNotifies.end()) {
        other->m_freeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    Forget(m_freeNotifies, other);
    Forget(other->m_freeNotifies, this);
}

void TComponent::Loaded() {
    m_state.Exclude(TComponentStateItem::csLoading);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
    // Index loop: a handler may destroy or add components while the notice goes round.
    for (std::size_t i = m_components.size(); i-- > 0;) {
        if (i >= m_components.size()) continue;
        m_components[i]->Notification(component, operation);
    }
}

void TComponent::GetChildren(const std::function<void(TComponent&)>& proc,
                             const TComponent* root) const {
    if (root != this) return;
    for (const auto& component : m_components) {
        if (!component->HasParent()) proc(*component);
    }
}

}  // namespace kiv
