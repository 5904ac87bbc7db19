// TForm: showing, placing, closing, the create handler and the window effects of a top-level
// window.
#include "framework/forms/form.h"

#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/forms/application.h"
#include "framework/forms/dialogs.h"
#include "framework/forms/font.h"
#include "framework/forms/idents.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TForm, TCustomControl>(
    "TForm",
    {
        Prop("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle)
            .Default(TFormBorderStyle::bsSizeable),
        // The client size is another view of Width and Height; designs may give either.
        Prop("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight).Stored(false),
        Prop("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth).Stored(false),
        Prop("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle).Default(TFormStyle::fsNormal),
        // A form has no parent to take these from.
        Prop("ParentColor", &TForm::ParentColor, &TForm::SetParentColor).Default(false),
        Prop("ParentFont", &TForm::ParentFont, &TForm::SetParentFont).Default(false),
        Prop("Position", &TForm::Position, &TForm::SetPosition).Default(TPosition::poDesigned),
        Prop("Visible", &TForm::Visible, &TForm::SetVisible).Default(false),
        Prop("OnClose", &TForm::OnClose, &TForm::SetOnClose),
        Prop("OnCreate", &TForm::OnCreate, &TForm::SetOnCreate),
        Prop("OnHide", &TForm::OnHide, &TForm::SetOnHide),
        Prop("OnPaint", &TForm::OnPaint, &TForm::SetOnPaint),
        Prop("OnShow", &TForm::OnShow, &TForm::SetOnShow),
    });

}  // namespace

TForm::TForm(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    // The components go while this is still a whole form: one that subclassed the form's window
    // procedure puts the previous one back, and controls leave the form's lists, before the
    // window and the control parts are taken down.
    Destroying();
    DestroyComponents();
}

void TForm::LoadDesign(std::string_view text, const std::string& designName,
                       BundledFileResolver files) {
    ReadDesign(*this, text, designName, std::move(files));
    DoCreate();
}

void TForm::DoCreate() {
    GuardedCall([this] { m_onCreate(this); });
}

void TForm::Show() {
    SetVisible(true);
    if (HandleAllocated()) Handle().BringToFront();
}

void TForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    m_onClose(this, action);
    if (action == TCloseAction::caNone) return;
    Hide();
    if (auto* application = dynamic_cast<TApplication*>(Owner())) {
        if (application->MainForm() == this) application->Terminate();
    }
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == m_borderStyle) return;
    m_borderStyle = style;
    if (HandleAllocated()) Handle().SetFrameless(style == TFormBorderStyle::bsNone);
}

void TForm::SetFormStyle(TFormStyle style) {
    if (style == m_formStyle) return;
    bool wasOnTop = m_formStyle == TFormStyle::fsStayOnTop;
    m_formStyle = style;
    if (style == TFormStyle::fsStayOnTop) {
        SetTopmost(true);
    } else if (wasOnTop) {
        SetTopmost(false);
    }
}

void TForm::SetTopmost(bool topmost) {
    if (topmost == m_topmost) return;
    m_topmost = topmost;
    if (HandleAllocated()) Handle().SetStayOnTop(topmost);
}

TRect TForm::ClientRect() const {
    if (!HandleAllocated()) return TCustomControl::ClientRect();
    TSize size = const_cast<TForm*>(this)->Handle().ClientSize();
    return {0, 0, size.cx, size.cy};
}

void TForm::SetClientWidth(int width) {
    SetWidth(width + Width() - ClientWidth());
}

void TForm::SetClientHeight(int height) {
    SetHeight(height + Height() - ClientHeight());
}

TPoint TForm::ClientOrigin() const {
    if (!HandleAllocated()) return {Left(), Top()};
    return const_cast<TForm*>(this)->Handle().ClientOrigin();
}

void TForm::InitializeHandle(WindowHandle& handle) {
    handle.SetFrameless(m_borderStyle == TFormBorderStyle::bsNone);
    handle.SetStayOnTop(m_topmost);
    TCustomControl::InitializeHandle(handle);
}

void TForm::PlaceOnFirstShow() {
    if (m_placed) return;
    m_placed = true;
    TRect area;
    switch (m_position) {
        case TPosition::poScreenCenter:
        case TPosition::poDesktopCenter:
            area = DesktopWorkArea();
            break;
        case TPosition::poMainFormCenter:
        case TPosition::poOwnerFormCenter: {
            const TForm* over = dynamic_cast<const TForm*>(Owner());
            if (!over) {
                if (auto* application = dynamic_cast<const TApplication*>(Owner())) {
                    over = application->MainForm();
                }
            }
            if (!over || over == this) {
                area = DesktopWorkArea();
                break;
            }
            area = over->BoundsRect();
            break;
        }
        default:
            return;
    }
    SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2,
              Width(), Height());
}

void TForm::CMVisibleChanged(TMessage& message) {
    if (Visible()) {
        PlaceOnFirstShow();
        HandleNeeded();
    }
    TCustomControl::CMVisibleChanged(message);
    if (Visible()) {
        m_onShow(this);
    } else {
        m_onHide(this);
    }
}

void TForm::CMTextChanged(TMessage& message) {
    TCustomControl::CMTextChanged(message);
    if (HandleAllocated()) Handle().SetTitle(Text());
}

void TForm::WMSysCommand(TMessage& message) {
    if ((message.WParam & 0xFFF0) == SC_MOVE) {
        // The move takes the mouse until the button is released, so no control keeps it and the
        // press that started the move makes no click.
        CancelMousePress();
        Handle().StartMove();
        return;
    }
    if ((message.WParam & 0xFFF0) == SC_CLOSE) Close();
}

void TForm::WMClose(TMessage&) {
    Close();
}

void TForm::Paint() {
    m_onPaint(this);
}

}  // namespace kiv
