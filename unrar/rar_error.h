// The error type used inside the RAR library; it carries the ERAR_* code the C interface returns.
#pragma once

#include <stdexcept>
#include <string>

namespace kiv::rar {

class RarError : public std::runtime_error {
public:
    RarError(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    int Code() const { return m_code; }

private:
    int m_code;
};

}  // namespace kiv::rar
