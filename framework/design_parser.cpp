// DesignParser: a lexer and a recursive-descent parser for the design syntax.
#include "framework/design_parser.h"

#include <charconv>
#include <limits>

#include "formatcore/utf8.h"
#include "framework/exception.h"
#include "framework/text_compare.h"

namespace kiv {

namespace {

// Objects, lists and collections nest; a hostile design must not exhaust the stack.
constexpr int kMaxDepth = 64;

enum class TokenType { Ident, Integer, Float, String, Symbol, End };

struct Token {
    TokenType type = TokenType::End;
    std::string text;  // Ident, String; Symbol: the character
    std::int64_t integer = 0;
    double real = 0.0;
    int line = 1;
    int column = 1;
};

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    Parser(const std::string& designName, const BundledFileResolver& files, std::string_view text)
        : m_designName(designName), m_files(files), m_text(text) {}

    DesignObject ParseDesign() {
        Advance();
        DesignObject root = ParseObject(0);
        if (m_token.type != TokenType::End) Fail(m_token, "End of design expected");
        return root;
    }

private:
    [[noreturn]] void Fail(int line, int column, const std::string& problem) const {
        throw EDesignError(DesignErrorText(m_designName, line, column, problem));
    }
    [[noreturn]] void Fail(const Token& at, const std::string& problem) const {
        Fail(at.line, at.column, problem);
    }

    // --- lexer ---

    char Peek(std::size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0';
    }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    void Skip() {
        if (m_text[m_pos] == '\n') {
            ++m_line;
            m_column = 1;
        } else {
            ++m_column;
        }
        ++m_pos;
    }
    void SkipBlanks() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n')) {
            Skip();
        }
    }

    void Advance() {
        SkipBlanks();
        m_token = Token{};
        m_token.line = m_line;
        m_token.column = m_column;
        if (AtEnd()) return;
        char c = Peek();
        if (IsLetter(c)) {
            m_token.type = TokenType::Ident;
            while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()))) {
                m_token.text += Peek();
                Skip();
            }
        } else if (IsDigit(c) || c == '$' || (c == '-' && (IsDigit(Peek(1)) || Peek(1) == '$'))) {
            LexNumber();
        } else if (c == '\'' || c == '#') {
            LexString();
        } else if (static_cast<unsigned char>(c) < 0x80 &&
                   std::string_view("=:[](),<>{}+.").find(c) != std::string_view::npos) {
            m_token.type = TokenType::Symbol;
            m_token.text = std::string(1, c);
            Skip();
        } else {
            Fail(m_line, m_column, "Unexpected character");
        }
    }

    void LexNumber() {
        bool negative = Peek() == '-';
        if (negative) Skip();
        if (Peek() == '$') {
            Skip();
            std::uint64_t value = 0;
            int digits = 0;
            for (int d; (d = HexValue(Peek())) >= 0; Skip(), ++digits) {
                if (value > (std::numeric_limits<std::uint64_t>::max() >> 4)) {
                    Fail(m_token, "Integer out of range");
                }
                value = value << 4 | static_cast<unsigned>(d);
            }
            if (digits == 0) Fail(m_token, "Hexadecimal digits expected after $");
            SetInteger(value, negative);
            return;
        }
        std::size_t start = m_pos;
        bool isFloat = false;
        while (IsDigit(Peek())) Skip();
        if (Peek() == '.' && IsDigit(Peek(1))) {
            isFloat = true;
            Skip();
            while (IsDigit(Peek())) Skip();
        }
        if ((Peek() == 'e' || Peek() == 'E') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
            isFloat = true;
            Skip();
            if (Peek() == '+' || Peek() == '-') Skip();
            while (IsDigit(Peek())) Skip();
        }
        if (IsLetter(Peek())) Fail(m_line, m_column, "Invalid number");
        std::string_view digits = m_text.substr(start, m_pos - start);
        if (isFloat) {
            double value = 0;
            auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (error != std::errc() || end != digits.data() + digits.size()) {
                Fail(m_token, "Floating-point number out of range");
            }
            m_token.type = TokenType::Float;
            m_token.real = negative ? -value : value;
            return;
        }
        std::uint64_t value = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size()) {
            Fail(m_token, "Integer out of range");
        }
        SetInteger(value, negative);
    }

    void SetInteger(std::uint64_t magnitude, bool negative) {
        constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
        if (magnitude > kMax + (negative ? 1 : 0)) Fail(m_token, "Integer out of range");
        m_token.type = TokenType::Integer;
        m_token.integer = negative ? static_cast<std::int64_t>(0 - magnitude)
                                   : static_cast<std::int64_t>(magnitude);
    }

    // 'quoted' and #code parts that touch each other form one string.
    void LexString() {
        m_token.type = TokenType::String;
        for (;;) {
            if (Peek() == '\'') {
                Skip();
                for (;;) {
                    if (AtEnd() || Peek() == '\n' || Peek() == '\r') {
                        Fail(m_token, "Unterminated string");
                    }
                    if (Peek() == '\'') {
                        Skip();
                        if (Peek() != '\'') break;
                    }
                    m_token.text += Peek();
                    Skip();
                }
            } else if (Peek() == '#') {
                LexCodePoint();
            } else {
                return;
            }
        }
    }

    void LexCodePoint() {
        int line = m_line, column = m_column;
        Skip();
        bool hex = Peek() == '$';
        if (hex) Skip();
        std::uint32_t cp = 0;
        int digits = 0;
        for (;;) {
            int d = hex ? HexValue(Peek()) : (IsDigit(Peek()) ? Peek() - '0' : -1);
            if (d < 0) break;
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            if (cp > 0x10FFFF) Fail(line, column, "Character code out of range");
            Skip();
            ++digits;
        }
        if (digits == 0) Fail(line, column, "Character code expected after #");
        if (cp >= 0xD800 && cp <= 0xDFFF) Fail(line, column, "Character code out of range");
        format::AppendUtf8(m_token.text, cp);
    }

    // --- parser ---

    bool IsSymbol(char c) const {
        return m_token.type == TokenType::Symbol && m_token.text[0] == c;
    }
    bool IsKeyword(std::string_view word) const {
        return m_token.type == TokenType::Ident && SameText(m_token.text, word);
    }
    void Expect(char c) {
        if (!IsSymbol(c)) Fail(m_token, FormatMessage("'%s' expected", std::string(1, c)));
        Advance();
    }
    std::string ExpectIdent(const char* what) {
        if (m_token.type != TokenType::Ident) Fail(m_token, FormatMessage("%s expected", what));
        std::string name = m_token.text;
        Advance();
        return name;
    }
    std::string DottedName(const char* what) {
        std::string name = ExpectIdent(what);
        while (IsSymbol('.')) {
            Advance();
            name += '.';
            name += ExpectIdent("Identifier");
        }
        return name;
    }

    DesignObject ParseObject(int depth) {
        if (depth > kMaxDepth) Fail(m_token, "Objects nested too deeply");
        if (IsKeyword("inherited") || IsKeyword("inline")) {
            Fail(m_token, "Inherited and inline objects are not supported");
        }
        if (!IsKeyword("object")) Fail(m_token, "'object' expected");
        DesignObject object;
        object.line = m_token.line;
        object.column = m_token.column;
        Advance();
        std::string first = ExpectIdent("Object name or class");
        if (IsSymbol(':')) {
            Advance();
            object.name = first;
            object.className = ExpectIdent("Class name");
        } else {
            object.className = first;
        }
        for (;;) {
            if (IsKeyword("end")) {
                Advance();
                return object;
            }
            if (IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline")) {
                object.children.push_back(ParseObject(depth + 1));
            } else if (m_token.type == TokenType::Ident) {
                if (!object.children.empty()) {
                    Fail(m_token, "Properties must come before child objects");
                }
                object.properties.push_back(ParseProperty(depth));
            } else {
                Fail(m_token, "'end' expected");
            }
        }
    }

    DesignProperty ParseProperty(int depth) {
        DesignProperty property;
        property.line = m_token.line;
        property.column = m_token.column;
        property.name = DottedName("Property name");
        Expect('=');
        property.value = ParseValue(depth);
        return property;
    }

    DesignValue ParseValue(int depth) {
        if (depth > kMaxDepth) Fail(m_token, "Values nested too deeply");
        DesignValue value;
        value.line = m_token.line;
        value.column = m_token.column;
        switch (m_token.type) {
            case TokenType::Integer:
                value.kind = DesignValue::Kind::Integer;
                value.integer = m_token.integer;
                Advance();
                return value;
            case TokenType::Float:
                value.kind = DesignValue::Kind::Float;
                value.real = m_token.real;
                Advance();
                return value;
            case TokenType::String:
                value.kind = DesignValue::Kind::String;
                value.text = m_token.text;
                Advance();
                while (IsSymbol('+')) {
                    Advance();
                    if (m_token.type != TokenType::String) Fail(m_token, "String expected after +");
                    value.text += m_token.text;
                    Advance();
                }
                return value;
            case TokenType::Ident:
                value.kind = DesignValue::Kind::Ident;
                value.text = DottedName("Identifier");
                return value;
            case TokenType::Symbol:
                break;
            case TokenType::End:
                Fail(m_token, "Value expected");
        }
        switch (m_token.text[0]) {
            case '[':
                ParseSet(value);
                return value;
            case '(':
                value.kind = DesignValue::Kind::List;
                Advance();
                while (!IsSymbol(')')) value.items.push_back(ParseValue(depth + 1));
                Advance();
                return value;
            case '<':
                ParseCollection(value, depth);
                return value;
            case '{':
                ParseBinary(value);
                return value;
            default:
                Fail(m_token, "Value expected");
        }
    }

    void ParseSet(DesignValue& value) {
        value.kind = DesignValue::Kind::Set;
        Advance();
        if (IsSymbol(']')) {
            Advance();
            return;
        }
        for (;;) {
            DesignValue item;
            item.kind = DesignValue::Kind::Ident;
            item.line = m_token.line;
            item.column = m_token.column;
            item.text = ExpectIdent("Set element");
            value.items.push_back(std::move(item));
            if (IsSymbol(']')) break;
            Expect(',');
        }
        Advance();
    }

    void ParseCollection(DesignValue& value, int depth) {
        value.kind = DesignValue::Kind::Collection;
        Advance();
        while (!IsSymbol('>')) {
            if (!IsKeyword("item")) Fail(m_token, "'item' or '>' expected");
            Advance();
            std::vector<DesignProperty> properties;
            while (!IsKeyword("end")) {
                if (m_token.type != TokenType::Ident) Fail(m_token, "'end' expected");
                properties.push_back(ParseProperty(depth + 1));
            }
            Advance();
            value.collectionItems.push_back(std::move(properties));
        }
        Advance();
    }

    // The content of { } is read here character by character: hex digits need not form tokens.
    void ParseBinary(DesignValue& value) {
        value.kind = DesignValue::Kind::Binary;
        SkipBlanks();
        if (Peek() == '@') {
            ParseFileReference(value);
            return;
        }
        int pending = -1;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail(value.line, value.column, "Unterminated binary value");
            if (Peek() == '}') break;
            int digit = HexValue(Peek());
            if (digit < 0) Fail(m_line, m_column, "Invalid binary digit");
            if (pending < 0) {
                pending = digit;
            } else {
                value.bytes.push_back(static_cast<std::uint8_t>(pending << 4 | digit));
                pending = -1;
            }
            Skip();
        }
        if (pending >= 0) Fail(m_line, m_column, "Odd number of hex digits in binary value");
        Skip();
        Advance();
    }

    void ParseFileReference(DesignValue& value) {
        Skip();  // '@'
        Advance();
        if (!IsKeyword("file")) Fail(m_token, "'@file' expected");
        Advance();
        if (m_token.type != TokenType::String) Fail(m_token, "Bundled file name expected");
        Token name = m_token;
        SkipBlanks();
        if (Peek() != '}') Fail(m_line, m_column, "'}' expected");
        Skip();
        std::optional<std::vector<std::uint8_t>> bytes;
        if (m_files) bytes = m_files(name.text);
        if (!bytes) Fail(name, FormatMessage("Bundled file '%s' not found", name.text));
        value.bytes = std::move(*bytes);
        Advance();
    }

    const std::string& m_designName;
    const BundledFileResolver& m_files;
    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_column = 1;
    Token m_token;
};

}  // namespace

std::string DesignErrorText(const std::string& designName, int line, int column,
                            const std::string& problem) {
    return FormatMessage("%s, line %d, column %d: %s", designName, line, column, problem);
}

DesignParser::DesignParser(std::string designName, BundledFileResolver files)
    : m_designName(std::move(designName)), m_files(std::move(files)) {}

DesignObject DesignParser::Parse(std::string_view text) const {
    return Parser(m_designName, m_files, text).ParseDesign();
}

}  // namespace kiv
