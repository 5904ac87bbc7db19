// DesignWriter: formats components and their values in the design syntax.
#include "framework/design_writer.h"

#include <charconv>
#include <cmath>

#include "framework/class_registry.h"
#include "framework/collection.h"
#include "framework/collection_item.h"
#include "framework/component.h"
#include "framework/exception.h"
#include "framework/memory_stream.h"

namespace kiv {

namespace {

constexpr int kBytesPerLine = 32;

std::string Indent(int indent) {
    return std::string(static_cast<std::size_t>(indent) * 2, ' ');
}

std::string FloatText(double value, const std::string& name) {
    if (!std::isfinite(value)) {
        throw EPropertyError(FormatMessage("Cannot write the value of %s: not finite", name));
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    // Keep it a float to the eye and to the parser.
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

}  // namespace

DesignWriter::DesignWriter() = default;
DesignWriter::~DesignWriter() = default;

std::string DesignWriter::Write(TComponent& root) {
    m_out.clear();
    m_root = &root;
    WriteObject(root, 0);
    m_root = nullptr;
    return std::move(m_out);
}

void DesignWriter::Line(int indent, const std::string& text) {
    m_out += Indent(indent);
    m_out += text;
    m_out += '\n';
}

void DesignWriter::WriteObject(TComponent& component, int indent) {
    const ClassInfo* info = ClassInfoOf(component);
    if (!info) {
        throw EPropertyError(FormatMessage("Class %s is not registered; it cannot be written",
                                           component.ClassName()));
    }
    const std::string& name = component.Name();
    Line(indent, "object " + (name.empty() ? info->Name() : name + ": " + info->Name()));
    component.SetState({TComponentStateItem::csWriting}, {});
    try {
        WriteProperties(component, "", indent + 1);
        component.GetChildren([&](TComponent& child) { WriteObject(child, indent + 1); }, m_root);
    } catch (...) {
        component.SetState({}, {TComponentStateItem::csWriting});
        throw;
    }
    component.SetState({}, {TComponentStateItem::csWriting});
    Line(indent, "end");
}

void DesignWriter::WriteProperties(TPersistent& object, const std::string& prefix, int indent) {
    const ClassInfo* info = ClassInfoOf(object);
    if (info) {
        for (const PropertyInfo* property : info->Properties()) {
            if (!property->CanWrite()) continue;
            if (property->isStored && !property->isStored(object)) continue;
            if (property->isDefault && property->isDefault(object)) continue;
            WriteProperty(object, *property, prefix + property->name, indent);
        }
    }
    std::string savedPrefix = std::exchange(m_prefix, prefix);
    int savedIndent = std::exchange(m_indent, indent);
    object.DefineProperties(*this);
    m_prefix = savedPrefix;
    m_indent = savedIndent;
}

void DesignWriter::WriteProperty(TPersistent& object, const PropertyInfo& property,
                                 const std::string& name, int indent) {
    std::string text;
    switch (property.kind) {
        case PropKind::Integer: {
            std::int64_t value = property.getOrdinal(object);
            text = std::to_string(value);
            for (const IdentValue& ident : property.idents) {
                if (ident.value == value) {
                    text = std::string(ident.name);
                    break;
                }
            }
            break;
        }
        case PropKind::Boolean:
            text = property.getOrdinal(object) ? "True" : "False";
            break;
        case PropKind::Enum: {
            std::int64_t value = property.getOrdinal(object);
            if (value < 0 || value >= static_cast<std::int64_t>(property.names.size())) {
                throw EPropertyError(
                    FormatMessage("Property %s holds no valid value (%d)", name, value));
            }
            text = std::string(property.names[static_cast<std::size_t>(value)]);
            break;
        }
        case PropKind::Set: {
            auto bits = static_cast<std::uint64_t>(property.getOrdinal(object));
            text.assign(1, '[');  // not `text = "["`: gcc 12 -O3 misreads that as an overlap
            for (std::size_t i = 0; i < 64; ++i) {
                if (!(bits >> i & 1)) continue;
                if (i >= property.names.size()) {
                    throw EPropertyError(FormatMessage("Property %s holds no valid set", name));
                }
                if (text.size() > 1) text += ", ";
                text += property.names[i];
            }
            text += "]";
            break;
        }
        case PropKind::String: {
            std::string value = property.getString(object);
            if (!property.isDefault && value.empty()) return;
            text = QuotedString(value);
            break;
        }
        case PropKind::Float:
            text = FloatText(property.getFloat(object), name);
            break;
        case PropKind::Object:
            if (TPersistent* nested = property.getObject(object)) {
                WriteProperties(*nested, name + ".", indent);
            }
            return;
        case PropKind::Collection:
            WriteCollection(object, property, name, indent);
            return;
        case PropKind::Component: {
            TComponent* component = property.getComponent(object);
            if (!component || component->Name().empty()) return;
            text = component->Name();
            break;
        }
        case PropKind::Event:
            text = property.getString(object);
            if (text.empty()) return;
            break;
    }
    Line(indent, name + " = " + text);
}

void DesignWriter::WriteCollection(TPersistent& object, const PropertyInfo& property,
                                   const std::string& name, int indent) {
    auto* collection = dynamic_cast<TCollection*>(property.getObject(object));
    if (!collection || collection->Count() == 0) return;
    Line(indent, name + " = <");
    for (int i = 0; i < collection->Count(); ++i) {
        Line(indent + 1, "item");
        WriteProperties(*collection->Items(i), "", indent + 2);
        Line(indent + 1, i + 1 == collection->Count() ? "end>" : "end");
    }
}

void DesignWriter::DefineProperty(const std::string& name, ValueReader /*reader*/,
                                  ValueWriter writer, bool hasData) {
    if (!hasData || !writer) return;
    DesignValue value = writer();
    m_out += Indent(m_indent) + m_prefix + name + " = ";
    WriteValue(value, m_indent);
    m_out += '\n';
}

void DesignWriter::DefineBinaryProperty(const std::string& name, StreamReader /*reader*/,
                                        StreamWriter writer, bool hasData) {
    if (!hasData || !writer) return;
    TMemoryStream stream;
    writer(stream);
    auto bytes = stream.Bytes();
    m_out += Indent(m_indent) + m_prefix + name + " = ";
    WriteBinary({bytes.begin(), bytes.end()}, m_indent);
    m_out += '\n';
}

// Appends a value after "Name = " on the current line, without the final line break.
void DesignWriter::WriteValue(const DesignValue& value, int indent) {
    switch (value.kind) {
        case DesignValue::Kind::Integer:
            m_out += std::to_string(value.integer);
            return;
        case DesignValue::Kind::Float:
            m_out += FloatText(value.real, "a defined property");
            return;
        case DesignValue::Kind::String:
            m_out += QuotedString(value.text);
            return;
        case DesignValue::Kind::Ident:
            m_out += value.text;
            return;
        case DesignValue::Kind::Set:
            m_out += '[';
            for (std::size_t i = 0; i < value.items.size(); ++i) {
                if (i > 0) m_out += ", ";
                m_out += value.items[i].text;
            }
            m_out += ']';
            return;
        case DesignValue::Kind::List:
            m_out += '(';
            for (const DesignValue& item : value.items) {
                m_out += '\n' + Indent(indent + 1);
                WriteValue(item, indent + 1);
            }
            m_out += ')';
            return;
        case DesignValue::Kind::Collection:
            m_out += '<';
            for (std::size_t i = 0; i < value.collectionItems.size(); ++i) {
                m_out += '\n' + Indent(indent + 1) + "item";
                for (const DesignProperty& property : value.collectionItems[i]) {
                    m_out += '\n' + Indent(indent + 2) + property.name + " = ";
                    WriteValue(property.value, indent + 2);
                }
                m_out += '\n' + Indent(indent + 1) + "end";
            }
            m_out += '>';
            return;
        case DesignValue::Kind::Binary:
            WriteBinary(value.bytes, indent);
            return;
    }
}

void DesignWriter::WriteBinary(const std::vector<std::uint8_t>& bytes, int indent) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    m_out += '{';
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % kBytesPerLine == 0) m_out += '\n' + Indent(indent + 1);
        m_out += kHex[bytes[i] >> 4];
        m_out += kHex[bytes[i] & 15];
    }
    m_out += '}';
}

// Printable ASCII and bytes from 0x80 up go between quotes; control characters become #nn.
std::string DesignWriter::QuotedString(const std::string& text) {
    if (text.empty()) return "''";
    std::string out;
    bool quoted = false;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) {
            if (quoted) out += '\'';
            quoted = false;
            out += '#' + std::to_string(byte);
            continue;
        }
        if (!quoted) out += '\'';
        quoted = true;
        out += c;
        if (c == '\'') out += '\'';
    }
    if (quoted) out += '\'';
    return out;
}

std::string WriteDesign(TComponent& root) {
    return DesignWriter().Write(root);
}

}  // namespace kiv
