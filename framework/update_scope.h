// UpdateScope: holds a BeginUpdate/EndUpdate pair open for one block, also when it throws.
#pragma once

namespace kiv {

// `T` is any class with BeginUpdate() and EndUpdate() (string lists, collections).
template <typename T>
class UpdateScope {
public:
    explicit UpdateScope(T& target) : m_target(target) { m_target.BeginUpdate(); }
    ~UpdateScope() { m_target.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    T& m_target;
};

}  // namespace kiv
