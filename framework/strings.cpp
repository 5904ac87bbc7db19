// TStrings: the operations every string list shares, and its design form.
#include "framework/strings.h"

#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/filer.h"
#include "framework/text_compare.h"
#include "framework/update_scope.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TStrings, TPersistent>("TStrings");

}  // namespace

int TStrings::Add(const std::string& text) {
    int index = Count();
    Insert(index, text);
    return index;
}

void TStrings::AddStrings(const TStrings& source) {
    UpdateScope update(*this);
    // Count first: adding a list to itself doubles it once.
    int count = source.Count();
    for (int i = 0; i < count; ++i) Add(source.Strings(i));
}

int TStrings::IndexOf(std::string_view text) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = Strings(i);
        if (m_caseSensitive ? line == text : SameText(line, text)) return i;
    }
    return -1;
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Strings(i);
        text += '\n';
    }
    return text;
}

void TStrings::SetText(std::string_view text) {
    UpdateScope update(*this);
    Clear();
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        Add(std::string(line));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

void TStrings::BeginUpdate() {
    // The state changes while the count is still 0, so the notice goes out.
    if (m_updateCount == 0) SetUpdateState(true);
    ++m_updateCount;
}

void TStrings::EndUpdate() {
    if (m_updateCount == 0) return;
    if (--m_updateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TStrings*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    UpdateScope update(*this);
    Clear();
    AddStrings(*other);
}

void TStrings::DefineProperties(TFiler& filer) {
    TPersistent::DefineProperties(filer);
    auto read = [this](const DesignValue& value) {
        if (value.kind != DesignValue::Kind::List) {
            throw EPropertyError("A list of strings ( ... ) expected");
        }
        for (const DesignValue& item : value.items) {
            if (item.kind != DesignValue::Kind::String) {
                throw EPropertyError("Only strings may stand in a list of strings");
            }
        }
        UpdateScope update(*this);
        Clear();
        for (const DesignValue& item : value.items) Add(item.text);
    };
    auto write = [this] {
        std::vector<DesignValue> items;
        items.reserve(std::size_t(Count()));
        for (int i = 0; i < Count(); ++i) items.push_back(DesignValue::MakeString(Strings(i)));
        return DesignValue::MakeList(std::move(items));
    };
    filer.DefineProperty("Strings", read, write, Count() > 0);
}

}  // namespace kiv
