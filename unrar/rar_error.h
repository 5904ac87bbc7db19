// The error type used inside the RAR library; it carries the ERAR_* code the C interface returns
// and, for a failed system call, the errno that call left.
#pragma once

#include <stdexcept>
#include <string>

namespace kiv::rar {

class RarError : public std::runtime_error {
public:
    RarError(int code, const std::string& what, int systemError = 0)
        : std::runtime_error(what), m_code(code), m_systemError(systemError) {}
    int Code() const { return m_code; }
    // The errno of the system call that failed; 0 when no call's reason applies.
    int SystemError() const { return m_systemError; }

private:
    int m_code;
    int m_systemError;
};

}  // namespace kiv::rar
