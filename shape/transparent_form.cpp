// TTransparentForm: subclassing the form, the region builder, dragging and the window effects.
#include "shape/transparent_form.h"

#include <vector>

#include "framework/class_registry.h"
#include "framework/forms/form.h"
#include "platform/draw/regions.h"
#include "shape/ellipse.h"
#include "shape/notify_error.h"
#include "shape/polygon.h"
#include "shape/rectangles.h"
#include "shape/trans_image.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TTransparentForm, TComponent>(
    "TTransparentForm",
    {
        Prop("ShapesVisible", &TTransparentForm::ShapesVisible,
             &TTransparentForm::SetShapesVisible),
        Prop("Dragable", &TTransparentForm::Dragable, &TTransparentForm::SetDragable),
        Prop("AlwaysOnTop", &TTransparentForm::AlwaysOnTop, &TTransparentForm::SetAlwaysOnTop),
        Prop("AutoTransparent", &TTransparentForm::AutoTransparent,
             &TTransparentForm::SetAutoTransparent),
    });

// The region operation of a combine mode; 0, which joins nothing, for a value outside the
// enumeration.
int RegionMode(TCombineMode mode) {
    switch (mode) {
        case TCombineMode::cmAnd:
            return platform::RGN_AND;
        case TCombineMode::cmCopy:
            return platform::RGN_COPY;
        case TCombineMode::cmDifference:
            return platform::RGN_DIFF;
        case TCombineMode::cmOR:
            return platform::RGN_OR;
        case TCombineMode::cmXOR:
            return platform::RGN_XOR;
    }
    return 0;
}

struct Contribution {
    std::optional<QRegion> region;  // none: the control yielded no region
    TCombineMode mode;
};

// What `control` gives the window region; nullopt when it is not a region-giving control that
// contributes.
std::optional<Contribution> ContributionOf(TControl& control) {
    if (!control.Enabled()) return std::nullopt;
    const TRect b = control.BoundsRect();
    if (auto* ellipse = dynamic_cast<TEllipse*>(&control)) {
        return Contribution{platform::CreateEllipticRgn(b.Left, b.Top, b.Right, b.Bottom),
                            ellipse->CombineMode()};
    }
    if (auto* rectangle = dynamic_cast<TRectangles*>(&control)) {
        return Contribution{platform::CreateRectRgn(b.Left, b.Top, b.Right, b.Bottom),
                            rectangle->CombineMode()};
    }
    if (auto* image = dynamic_cast<TTransImage*>(&control)) {
        if (!image->HasMask()) return std::nullopt;
        std::optional<QRegion> region = image->CreateMaskRegion();
        if (region) region->translate(b.Left, b.Top);
        return Contribution{std::move(region), image->CombineMode()};
    }
    if (auto* polygon = dynamic_cast<TPolygon*>(&control)) {
        const TPoints& list = *polygon->Points();
        if (list.Count() == 0) return std::nullopt;
        // Every point is used, however many there are.
        std::vector<TPoint> points;
        points.reserve(std::size_t(list.Count()));
        for (int i = 0; i < list.Count(); ++i) {
            points.push_back(list.Item(i)->Point() + b.TopLeft());
        }
        return Contribution{platform::CreatePolygonRgn(points, platform::ALTERNATE),
                            polygon->CombineMode()};
    }
    return std::nullopt;
}

}  // namespace

TTransparentForm::TTransparentForm(TComponent* owner)
    : TComponent(owner), m_form(dynamic_cast<TForm*>(owner)) {
    if (!m_form) throw ENotifyError("Owner must be a TForm!");
    SetShapesVisible(false);
    SetAlwaysOnTop(false);
    if (Designing()) return;
    m_form->HandleNeeded();
    m_previous = m_form->WindowProc();
    if (!m_previous) throw ENotifyError("Failed to subclass window");
    m_form->SetWindowProc([this](TMessage& message) { WindowProcedure(message); });
    m_subclassed = true;
}

TTransparentForm::~TTransparentForm() {
    // The form destroys its components while it is still whole, so its procedure can go back.
    if (!Designing() && m_subclassed) m_form->SetWindowProc(m_previous);
}

bool TTransparentForm::Designing() const {
    return ComponentState().Contains(TComponentStateItem::csDesigning);
}

void TTransparentForm::WindowProcedure(TMessage& message) {
    // A copy: the previous procedure may be replaced while it runs.
    TWndMethod previous = m_previous;
    previous(message);
    if (message.Msg != WM_LBUTTONDOWN || !m_dragable || Designing()) return;
    m_form->ReleaseCapture();
    TMessage move{WM_SYSCOMMAND, SC_MOVE + HTCAPTION, 0, 0};
    m_form->Dispatch(move);
}

void TTransparentForm::SetShapesVisible(bool visible) {
    m_shapesVisible = visible;
    if (Designing()) return;
    for (int i = 0; i < m_form->ComponentCount(); ++i) {
        TComponent* component = m_form->Components(i);
        if (dynamic_cast<TEllipse*>(component) || dynamic_cast<TPolygon*>(component) ||
            dynamic_cast<TRectangles*>(component)) {
            static_cast<TControl*>(component)->SetVisible(visible);
        }
    }
}

void TTransparentForm::SetAlwaysOnTop(bool onTop) {
    m_alwaysOnTop = onTop;
    if (m_form->Topmost() != onTop && !Designing()) m_form->SetTopmost(onTop);
}

void TTransparentForm::SetAutoTransparent(bool autoTransparent) {
    m_autoTransparent = autoTransparent;
    if (m_autoTransparent && !Designing()) ApplyRegion();
}

void TTransparentForm::ApplyRegion() {
    m_form->SetWindowRgn(BuildRegion(), true);
}

std::optional<QRegion> TTransparentForm::BuildRegion() const {
    std::optional<QRegion> accumulated;
    bool first = true;
    for (int i = 0; i < m_form->ControlCount(); ++i) {
        std::optional<Contribution> contribution = ContributionOf(*m_form->Controls(i));
        if (!contribution) continue;
        if (first) {
            accumulated = std::move(contribution->region);
            first = false;
        } else if (accumulated && contribution->region) {
            platform::CombineRgn(*accumulated, *accumulated, *contribution->region,
                                 RegionMode(contribution->mode));
        }
    }
    if (accumulated && m_form->BorderStyle() != TFormBorderStyle::bsNone) {
        const TPoint client = m_form->ClientOrigin();
        const TRect window = m_form->Handle().Bounds();
        accumulated->translate(client.X - window.Left, client.Y - window.Top);
    }
    return accumulated;
}

}  // namespace kiv
