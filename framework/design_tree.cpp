// Constructors of design values, for DefineProperties writers.
#include "framework/design_tree.h"

namespace kiv {

DesignValue DesignValue::MakeInteger(std::int64_t value) {
    DesignValue v;
    v.kind = Kind::Integer;
    v.integer = value;
    return v;
}

DesignValue DesignValue::MakeString(std::string value) {
    DesignValue v;
    v.kind = Kind::String;
    v.text = std::move(value);
    return v;
}

DesignValue DesignValue::MakeIdent(std::string name) {
    DesignValue v;
    v.kind = Kind::Ident;
    v.text = std::move(name);
    return v;
}

DesignValue DesignValue::MakeList(std::vector<DesignValue> items) {
    DesignValue v;
    v.kind = Kind::List;
    v.items = std::move(items);
    return v;
}

DesignValue DesignValue::MakeBinary(std::vector<std::uint8_t> bytes) {
    DesignValue v;
    v.kind = Kind::Binary;
    v.bytes = std::move(bytes);
    return v;
}

}  // namespace kiv
