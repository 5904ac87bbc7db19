// A value or the error text explaining why there is none; see status.h for the reporting rule.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace kiv::platform {

template <class T>
class Result {
public:
    // Implicit so that a function can simply `return value;`.
    Result(T value) : m_value(std::move(value)) {}
    static Result Failure(std::string error) { return Result(std::nullopt, std::move(error)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    // Precondition for the accessors below: ok().
    T& value() & {
        assert(ok());
        return *m_value;
    }
    const T& value() const& {
        assert(ok());
        return *m_value;
    }
    T&& value() && {
        assert(ok());
        return std::move(*m_value);
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    // Empty on success.
    const std::string& error() const { return m_error; }

private:
    Result(std::nullopt_t, std::string error) : m_error(std::move(error)) {}

    std::optional<T> m_value;
    std::string m_error;
};

}  // namespace kiv::platform
