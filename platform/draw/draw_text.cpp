// The raster text engine: decoding, prefix and tab handling, word wrapping and glyph painting.
#include "platform/draw/draw_text.h"

#include <algorithm>
#include <vector>

#include "platform/draw/bundled_faces.h"
#include "platform/draw/dc_state_guard.h"
#include "platform/draw/text_codec.h"

namespace kiv::platform {

namespace {

struct Cell {
    char32_t cp = 0;
    bool underline = false;
};

using Line = std::vector<Cell>;

// What the text is drawn with: the face and how the font changes its glyphs.
struct Style {
    const RasterFace* face;
    bool bold;
    bool underline;
    bool terminal;

    explicit Style(const Font& font)
        : face(&ResolveFace(font)),
          bold(font.bold),
          underline(font.underline),
          terminal(face == &TerminalFace()) {}

    const RasterGlyph& Glyph(char32_t cp) const {
        if (const RasterGlyph* g = face->Find(cp)) return *g;
        // The code page 437 face has pictures for the control characters.
        if (terminal && (cp < 0x20 || cp == 0x7F)) {
            return face->Glyph(Cp437ToUnicode(static_cast<unsigned char>(cp)));
        }
        return face->DefaultGlyph();
    }
    int Advance(char32_t cp) const { return Glyph(cp).advance + (bold ? 1 : 0); }
    int TabStop() const { return 8 * (face->AverageCharWidth() + (bold ? 1 : 0)); }
};

// Splits into paragraphs at CR, LF and CR LF; a break at the very end starts no paragraph.
std::vector<std::u32string> SplitParagraphs(const std::u32string& text, bool singleLine) {
    std::vector<std::u32string> out;
    if (text.empty()) return out;
    if (singleLine) return {text};
    std::u32string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == U'\r' || c == U'\n') {
            if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            out.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) out.push_back(std::move(current));
    return out;
}

Line ApplyPrefixes(const std::u32string& text, bool prefixes) {
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (prefixes && text[i] == U'&') {
            if (i + 1 == text.size()) break;
            ++i;
            line.push_back({text[i], text[i] != U'&'});
        } else {
            line.push_back({text[i], false});
        }
    }
    return line;
}

// The pen position after `cell` drawn at `x` on a line that starts at 0.
int Advance(const Style& style, const Cell& cell, int x, bool expandTabs) {
    if (expandTabs && cell.cp == U'\t') {
        const int stop = style.TabStop();
        return (x / stop + 1) * stop;
    }
    return x + style.Advance(cell.cp);
}

int LineWidth(const Style& style, const Line& line, bool expandTabs) {
    int x = 0;
    for (const Cell& c : line) x = Advance(style, c, x, expandTabs);
    return x;
}

bool IsBlank(const Cell& c) {
    return c.cp == U' ' || c.cp == U'\t';
}

// Greedy wrapping at blanks; blanks at a wrap belong to neither line.
void WrapInto(std::vector<Line>& out, const Line& line, const Style& style, int width,
              bool expandTabs) {
    Line current;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t blanksEnd = i;
        while (blanksEnd < line.size() && IsBlank(line[blanksEnd])) ++blanksEnd;
        std::size_t wordEnd = blanksEnd;
        while (wordEnd < line.size() && !IsBlank(line[wordEnd])) ++wordEnd;
        Line candidate = current;
        candidate.insert(candidate.end(), line.begin() + std::ptrdiff_t(i),
                         line.begin() + std::ptrdiff_t(wordEnd));
        const bool hasWord = wordEnd > blanksEnd;
        if (hasWord && !current.empty() && LineWidth(style, candidate, expandTabs) > width) {
            out.push_back(std::move(current));
            current.assign(line.begin() + std::ptrdiff_t(blanksEnd),
                           line.begin() + std::ptrdiff_t(wordEnd));
        } else {
            current = std::move(candidate);
        }
        i = wordEnd;
    }
    out.push_back(std::move(current));
}

std::vector<Line> Layout(std::string_view text, const Font& font, const Style& style, int width,
                         unsigned format) {
    const std::u32string decoded = DecodeText(text, font.IsOem());
    const bool singleLine = format & DT_SINGLELINE;
    const bool expandTabs = format & DT_EXPANDTABS;
    std::vector<Line> lines;
    for (const std::u32string& paragraph : SplitParagraphs(decoded, singleLine)) {
        Line line = ApplyPrefixes(paragraph, !(format & DT_NOPREFIX));
        if ((format & DT_WORDBREAK) && !singleLine) {
            WrapInto(lines, line, style, width, expandTabs);
        } else {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

void PaintGlyph(DeviceContext& dc, const RasterGlyph& g, int x, int y, int height, TColor c) {
    for (int row = 0; row < height; ++row) {
        int col = 0;
        while (col < g.width) {
            if (!g.Pixel(col, row)) {
                ++col;
                continue;
            }
            const int start = col;
            while (col < g.width && g.Pixel(col, row)) ++col;
            dc.FillSolidRect(
                TRect(x + g.xOffset + start, y + row, x + g.xOffset + col, y + row + 1), c);
        }
    }
}

// Draws one laid-out line with its cells' top-left corner at (x, y).
void PaintLine(DeviceContext& dc, const Style& style, const Line& line, int x, int y,
               bool expandTabs) {
    const int height = style.face->LineHeight();
    const int width = LineWidth(style, line, expandTabs);
    if (dc.GetBkMode() == OPAQUE) {
        dc.FillSolidRect(TRect(x, y, x + width, y + height), dc.GetBkColor());
    }
    const TColor color = dc.GetTextColor();
    const int underlineRow = y + style.face->UnderlineRow();
    int pen = 0;
    for (const Cell& cell : line) {
        const int next = Advance(style, cell, pen, expandTabs);
        if (!(expandTabs && cell.cp == U'\t')) {
            const RasterGlyph& g = style.Glyph(cell.cp);
            PaintGlyph(dc, g, x + pen, y, height, color);
            if (style.bold) PaintGlyph(dc, g, x + pen + 1, y, height, color);
        }
        if (cell.underline) {
            dc.FillSolidRect(TRect(x + pen, underlineRow, x + next, underlineRow + 1), color);
        }
        pen = next;
    }
    if (style.underline) {
        dc.FillSolidRect(TRect(x, underlineRow, x + width, underlineRow + 1), color);
    }
}

}  // namespace

int DrawText(DeviceContext& dc, std::string_view text, TRect& rect, unsigned format) {
    const Style style(dc.GetFont());
    const bool expandTabs = format & DT_EXPANDTABS;
    const std::vector<Line> lines = Layout(text, dc.GetFont(), style, rect.Width(), format);
    const int lineHeight = style.face->LineHeight();
    const int height = int(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines) {
            widest = std::max(widest, LineWidth(style, line, expandTabs));
        }
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + height;
        return height;
    }
    if (lines.empty()) return 0;

    int y = rect.Top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            y = rect.Top + rect.Height() / 2 - lineHeight / 2;
        } else if (format & DT_BOTTOM) {
            y = rect.Bottom - lineHeight;
        }
    }
    const int top = y;
    DcStateGuard guard(dc);
    if (!(format & DT_NOCLIP)) dc.IntersectClipRect(rect);
    for (const Line& line : lines) {
        const int width = LineWidth(style, line, expandTabs);
        int x = rect.Left;
        if (format & DT_RIGHT) {
            x = rect.Right - width;
        } else if (format & DT_CENTER) {
            x = (rect.Left + rect.Right - width) / 2;
        }
        PaintLine(dc, style, line, x, y, expandTabs);
        y += lineHeight;
    }
    const bool shifted = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM));
    return shifted ? top - rect.Top + height : height;
}

TSize GetTextExtentPoint(const DeviceContext& dc, std::string_view text) {
    const Style style(dc.GetFont());
    int width = 0;
    for (char32_t cp : DecodeText(text, dc.GetFont().IsOem())) width += style.Advance(cp);
    return TSize(width, style.face->LineHeight());
}

void TextOut(DeviceContext& dc, int x, int y, std::string_view text) {
    const Style style(dc.GetFont());
    Line line;
    for (char32_t cp : DecodeText(text, dc.GetFont().IsOem())) line.push_back({cp, false});
    PaintLine(dc, style, line, x, y, false);
}

bool DrawStateText(DeviceContext& dc, std::string_view text, int x, int y, int cx, int cy,
                   unsigned flags) {
    const unsigned kind = flags & 0x000F;
    if (kind != DST_TEXT && kind != DST_PREFIXTEXT) return false;
    unsigned format = DT_LEFT | DT_TOP | (kind == DST_TEXT ? DT_NOPREFIX : 0);
    if (cx == 0 && cy == 0) {
        TRect measured(0, 0, 0, 0);
        DrawText(dc, text, measured, format | DT_CALCRECT);
        cx = measured.Width();
        cy = measured.Height();
    }
    DcStateGuard guard(dc);
    dc.SetBkMode(TRANSPARENT);
    TRect box(x, y, x + cx, y + cy);
    if (flags & DSS_DISABLED) {
        TRect light = box.Offsetted(1, 1);
        dc.SetTextColor(clBtnHighlight);
        DrawText(dc, text, light, format);
        dc.SetTextColor(clBtnShadow);
    }
    DrawText(dc, text, box, format);
    return true;
}

}  // namespace kiv::platform
