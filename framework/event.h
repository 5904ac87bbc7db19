// Event: a component's event property, a handler plus the name of the published method behind it.
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace kiv {

class TObject;

// An event handler that remembers which published method it was bound to, so that a design
// writer can write `OnClick = btnUnpackClick` back. Handlers assigned from code have no name and
// are not written. Calling an unassigned event does nothing, as events are raised only when set.
template <typename... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    Event() = default;
    // The requires clause keeps Event itself out, so copies and moves still take their own
    // constructors; clang-tidy 14 reads enable_if constraints only.
    // NOLINTBEGIN(bugprone-forwarding-reference-overload)
    template <typename F>
    requires std::is_invocable_v<F&, Args...> &&
        (!std::is_same_v<std::remove_cvref_t<F>, Event>)Event(F&& handler)
        : m_handler(std::forward<F>(handler)) {}
    // NOLINTEND(bugprone-forwarding-reference-overload)
    Event(std::string methodName, Handler handler)
        : m_handler(std::move(handler)), m_methodName(std::move(methodName)) {}

    explicit operator bool() const { return static_cast<bool>(m_handler); }
    void operator()(Args... args) const {
        if (m_handler) m_handler(std::forward<Args>(args)...);
    }

    // The published method's name when the handler came from a design; empty otherwise.
    const std::string& MethodName() const { return m_methodName; }

private:
    Handler m_handler;
    std::string m_methodName;
};

using TNotifyEvent = Event<TObject*>;

}  // namespace kiv
