// The framework's exception hierarchy: every error our components raise is a kiv::Exception.
#pragma once

#include <exception>
#include <sstream>
#include <string>
#include <string_view>

namespace kiv {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}

    const std::string& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// Declares an exception class that adds nothing but its name to its base. Name and Base are
// class names, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define KIV_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {            \
    public:                               \
        using Base::Base;                 \
    }
// NOLINTEND(bugprone-macro-parentheses)

KIV_DECLARE_EXCEPTION(EStreamError, Exception);
KIV_DECLARE_EXCEPTION(EFCreateError, EStreamError);
KIV_DECLARE_EXCEPTION(EFOpenError, EStreamError);
KIV_DECLARE_EXCEPTION(EReadError, EStreamError);
KIV_DECLARE_EXCEPTION(EWriteError, EStreamError);
KIV_DECLARE_EXCEPTION(EConvertError, Exception);
KIV_DECLARE_EXCEPTION(EListError, Exception);
KIV_DECLARE_EXCEPTION(EComponentError, Exception);
KIV_DECLARE_EXCEPTION(EPropertyError, Exception);
// Raised by the design reader; its message already names the design, line and column.
KIV_DECLARE_EXCEPTION(EDesignError, Exception);

namespace detail {
// Writes `pattern` up to its next conversion into `out` and drops both from `pattern`; false
// when no conversion is left (then all of `pattern` has been written and it is empty).
bool AppendUntilConversion(std::ostringstream& out, std::string_view& pattern);
}  // namespace detail

// Replaces each %s, %d (or any %x conversion) of `pattern` by the next argument, in order;
// "%%" is a literal percent. Surplus conversions are dropped, and so are surplus arguments.
template <typename... Args>
std::string FormatMessage(std::string_view pattern, const Args&... args) {
    std::ostringstream out;
    [[maybe_unused]] auto put = [&](const auto& arg) {
        if (detail::AppendUntilConversion(out, pattern)) out << arg;
    };
    (put(args), ...);
    detail::AppendUntilConversion(out, pattern);
    return out.str();
}

}  // namespace kiv
