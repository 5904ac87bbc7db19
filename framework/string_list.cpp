// TStringList: lines in a vector, with change notices.
#include "framework/string_list.h"

#include "framework/class_registry.h"
#include "framework/exception.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TStringList, TStrings>("TStringList");
}

void TStringList::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit) {
        throw EListError(FormatMessage("List index out of bounds (%d)", index));
    }
}

const std::string& TStringList::Strings(int index) const {
    CheckIndex(index, Count());
    return m_lines[static_cast<std::size_t>(index)];
}

void TStringList::SetStrings(int index, const std::string& text) {
    CheckIndex(index, Count());
    Changing();
    m_lines[static_cast<std::size_t>(index)] = text;
    Changed();
}

void TStringList::Insert(int index, const std::string& text) {
    CheckIndex(index, Count() + 1);
    Changing();
    m_lines.insert(m_lines.begin() + index, text);
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    Changing();
    m_lines.erase(m_lines.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (m_lines.empty()) return;
    Changing();
    m_lines.clear();
    Changed();
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) {
        Changing();
    } else {
        Changed();
    }
}

void TStringList::Changing() {
    if (UpdateCount() == 0) m_onChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0) m_onChange(this);
}

}  // namespace kiv
