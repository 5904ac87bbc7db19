// TPolygon: drawing, the right-button point editor and design registration.
#include "shape/polygon.h"

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/dialogs.h"
#include "framework/forms/pen.h"
#include "shape/my_brush.h"
#include "shape/tool_pictures.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TPolygon, RegionShape>(
    "TPolygon",
    {
        Prop("Brush", &RegionShape::Brush),
        Prop("DrawingEnabled", &TPolygon::DrawingEnabled, &TPolygon::SetDrawingEnabled)
            .Default(true),
        Prop("Pen", &RegionShape::Pen),
        Prop("CombineMode", &RegionShape::CombineMode, &RegionShape::SetCombineMode)
            .Default(TCombineMode::cmOR),
        Prop("Points", &TPolygon::Points),
        Prop("HidePoints", &TPolygon::HidePoints, &TPolygon::SetHidePoints).Default(false),
        Prop("HideButtons", &TPolygon::HideButtons, &TPolygon::SetHideButtons).Default(false),
        Prop("OnChange", &TPolygon::OnChange, &TPolygon::SetOnChange),
    });

constexpr TColor kHandleColour = clLime;
constexpr TColor kToolFrameColour = clYellow;

bool Near(int a, int b) {
    return a - b < 4 && b - a < 4;
}

}  // namespace

TPolygon::TPolygon(TComponent* owner)
    : RegionShape(owner),
      m_points(std::make_unique<TPoints>(this)),
      m_undo(std::make_unique<TPoints>(nullptr)) {
    for (int i = 0; i < kToolCount; ++i) m_tools[std::size_t(i)] = MakeToolPicture(i);
    SetBounds(Left(), Top(), 150, 104);
}

TPolygon::~TPolygon() = default;

void TPolygon::SetPoints(const TPoints* points) {
    m_points->Assign(points);
}

void TPolygon::SetDrawingEnabled(bool enabled) {
    if (enabled == m_drawingEnabled) return;
    m_drawingEnabled = enabled;
    Invalidate();
}

void TPolygon::SetHidePoints(bool hide) {
    if (hide == m_hidePoints) return;
    m_hidePoints = hide;
    Invalidate();
}

void TPolygon::SetHideButtons(bool hide) {
    if (hide == m_hideButtons) return;
    m_hideButtons = hide;
    if (hide) {
        m_hotButton = -1;
        SetHint("");
    }
    Invalidate();
}

void TPolygon::PointsChanged(TPoints& points) {
    Invalidate();
    m_onChange(&points);
}

std::vector<TPoint> TPolygon::PointList() const {
    std::vector<TPoint> points;
    points.reserve(std::size_t(m_points->Count()));
    for (int i = 0; i < m_points->Count(); ++i) points.push_back(m_points->Item(i)->Point());
    return points;
}

std::string TPolygon::ToolCaption(int index) const {
    switch (index) {
        case 0:
            return "Draw poly / Move point";
        case 1:
            return "Delete Point";
        case 2:
            return m_hidePoints ? "Show points" : "Hide points";
        case 3:
            return "Clear all points";
        case 4:
            return "Undo";
        default:
            return "";
    }
}

int TPolygon::ToolAt(int x, int y) const {
    const int w = m_tools[0]->Width();
    const int h = m_tools[0]->Height();
    if (x < Width() - w - 1 || x > Width() || y < 0 || y >= kToolCount * h) return -1;
    return y / h;
}

int TPolygon::PointAt(int x, int y) const {
    for (int i = 0; i < m_points->Count(); ++i) {
        const TPoint p = m_points->Item(i)->Point();
        if (Near(p.X, x) && Near(p.Y, y)) return i;
    }
    return -1;
}

void TPolygon::SaveUndo() {
    m_undo->Assign(m_points.get());
}

void TPolygon::PerformTool(int index) {
    switch (index) {
        case 0:
            m_state = EditState::Draw;
            break;
        case 1:
            m_state = EditState::Delete;
            break;
        case 2:
            SetHidePoints(!m_hidePoints);
            break;
        case 3:
            SaveUndo();
            // Clearing tells nothing, so the polygon repaints itself.
            m_points->Clear();
            break;
        case 4:
            m_points->Assign(m_undo.get());
            break;
        default:
            return;
    }
    Invalidate();
}

void TPolygon::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    RegionShape::MouseDown(button, shift, x, y);
    if (!m_drawingEnabled || button != TMouseButton::mbRight) return;
    if (!m_hideButtons && ToolAt(x, y) >= 0) return;  // the release performs the button
    m_lastMouse = {x, y};
    const int hit = PointAt(x, y);
    if (m_state == EditState::Draw) {
        SaveUndo();
        if (hit < 0) {
            m_points->Add(x, y);
        } else if (shift.Contains(TShiftStateItem::ssCtrl)) {
            m_points->Delete(hit);
        } else {
            m_state = EditState::Moving;
            m_movingPoint = hit;
            m_lastBand = {kNoBand, kNoBand};
        }
    } else if (m_state == EditState::Delete && hit >= 0) {
        SaveUndo();
        m_points->Delete(hit);
    }
}

void TPolygon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    RegionShape::MouseUp(button, shift, x, y);
    if (!m_drawingEnabled || button != TMouseButton::mbRight) return;
    if (m_state == EditState::Moving) {
        m_state = EditState::Draw;
        m_lastBand = {kNoBand, kNoBand};
        if (m_movingPoint >= 0 && m_movingPoint < m_points->Count()) {
            TPointItem* item = m_points->Item(m_movingPoint);
            item->SetX(x);
            item->SetY(y);
        }
        m_movingPoint = -1;
        Invalidate();
        return;
    }
    if (!m_hideButtons) PerformTool(ToolAt(x, y));
}

void TPolygon::MouseMove(TShiftState shift, int x, int y) {
    RegionShape::MouseMove(shift, x, y);
    if (!m_drawingEnabled) return;
    m_lastMouse = {x, y};
    if (!m_hideButtons) {
        const int hot = ToolAt(x, y);
        if (hot != m_hotButton) {
            m_hotButton = hot;
            SetHint(ToolCaption(hot));
        }
    }
    if (m_state != EditState::Moving || !Parent()) return;
    // The band is drawn in exclusive-or: drawing it again where it was takes it away.
    if (m_lastBand.X != kNoBand) DrawBand(m_lastBand);
    m_lastBand = {x, y};
    DrawBand(m_lastBand);
}

void TPolygon::DrawBand(TPoint end) {
    const int count = m_points->Count();
    if (m_movingPoint < 0 || m_movingPoint >= count) return;
    const TPoint previous = m_points->Item((m_movingPoint + count - 1) % count)->Point();
    const TPoint next = m_points->Item((m_movingPoint + 1) % count)->Point();
    TCanvas& canvas = *Canvas();
    canvas.SetPen(Pen());
    canvas.Pen()->SetMode(TPenMode::pmXor);
    canvas.Pen()->SetColor(clWhite);
    canvas.MoveTo(previous.X, previous.Y);
    canvas.LineTo(end.X, end.Y);
    canvas.LineTo(next.X, next.Y);
    canvas.Pen()->SetMode(TPenMode::pmCopy);
}

void TPolygon::WarnAboutPoints() {
    const int count = m_points->Count();
    if (count <= kMaxPoints) {
        m_warnedCount = 0;
        return;
    }
    // Once per count: a message box on every repaint would never let the user go.
    if (count == m_warnedCount) return;
    m_warnedCount = count;
    MessageBox("Number of points more than " + std::to_string(kMaxPoints) +
                   ", the maximum points allowed. Please change the constant in Polygon to a "
                   "higher value. An exception might occur after this message",
               ApplicationTitle(), MB_OK | MB_ICONWARNING);
}

void TPolygon::Paint() {
    TCanvas& canvas = *Canvas();
    SelectTools();
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    canvas.Rectangle(OutlineRect());
    WarnAboutPoints();
    const std::vector<TPoint> points = PointList();
    if (points.size() > 1) {
        SelectTools();
        canvas.Polygon(points);
    }
    if (points.empty()) m_state = EditState::Draw;
    if (m_state == EditState::Moving && m_lastBand.X != kNoBand) DrawBand(m_lastBand);
    if (!m_hidePoints) {
        canvas.Pen()->SetColor(kHandleColour);
        canvas.Pen()->SetWidth(1);
        canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
        canvas.Brush()->SetColor(Brush()->Color());
        for (const TPoint& p : points) canvas.Rectangle(p.X - 2, p.Y - 2, p.X + 2, p.Y + 2);
    }
    if (!m_hideButtons && m_drawingEnabled) DrawTools();
}

void TPolygon::DrawTools() {
    TCanvas& canvas = *Canvas();
    const int w = m_tools[0]->Width();
    const int h = m_tools[0]->Height();
    const int left = Width() - w - 1;
    for (int i = 0; i < kToolCount; ++i) {
        canvas.Draw(left, i * h + 1, m_tools[std::size_t(i)].get());
    }
    canvas.Pen()->SetColor(kToolFrameColour);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetStyle(TPenStyle::psSolid);
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    auto frame = [&](int i) { canvas.Rectangle(left, i * h + 1, left + w, (i + 1) * h + 1); };
    if (m_state == EditState::Draw || m_state == EditState::Moving) frame(0);
    if (m_state == EditState::Delete) frame(1);
    if (!m_hidePoints) frame(2);
}

}  // namespace kiv
