// The parsed form of a window design: objects, their property assignments and values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kiv {

struct DesignProperty;

// One value of a design, with the position where it starts (1-based line and byte column).
struct DesignValue {
    enum class Kind {
        Integer,     // 12, -3, $FF
        Float,       // 1.5, -2.0E3
        String,      // 'it''s' + #13#10'x'
        Ident,       // True, taCenter, btnUnpackClick, Form1.Edit1
        Set,         // [a, b]   (items: Ident values)
        List,        // ( 'a' 'b' )   (items: any values)
        Collection,  // < item ... end item ... end >   (collectionItems)
        Binary,      // { 0A1B... } or { @file 'name' }   (bytes)
    };

    Kind kind = Kind::Integer;
    int line = 0;
    int column = 0;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;  // String and Ident
    std::vector<DesignValue> items;
    std::vector<std::vector<DesignProperty>> collectionItems;
    std::vector<std::uint8_t> bytes;

    static DesignValue MakeInteger(std::int64_t value);
    static DesignValue MakeString(std::string value);
    static DesignValue MakeIdent(std::string name);
    static DesignValue MakeList(std::vector<DesignValue> items);
    static DesignValue MakeBinary(std::vector<std::uint8_t> bytes);
};

// `Name = value`; the name may be a dotted path into nested objects (Font.Name).
struct DesignProperty {
    std::string name;
    DesignValue value;
    int line = 0;
    int column = 0;
};

// `object name: TClass ... end`; properties always come before child objects.
struct DesignObject {
    std::string name;  // may be empty
    std::string className;
    int line = 0;
    int column = 0;
    std::vector<DesignProperty> properties;
    std::vector<DesignObject> children;
};

}  // namespace kiv
