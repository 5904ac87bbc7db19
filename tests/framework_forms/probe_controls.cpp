// The probe controls of the tests and their registration.
#include "probe_controls.h"

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/errors.h"

namespace kiv::test {

namespace {

const bool shapeRegistered = RegisterClass<TProbeShape, TGraphicControl>(
    "TProbeShape", {Prop("Note", &TProbeShape::Note, &TProbeShape::SetNote)});
const bool imageRegistered = RegisterClass<TProbeImage, TGraphicControl>(
    "TProbeImage", {Prop("Picture", &TProbeImage::Picture)});
const bool textRegistered = RegisterClass<TProbeText, TGraphicControl>("TProbeText");
const bool boxRegistered = RegisterClass<TProbeBox, TCustomControl>("TProbeBox");
const bool formRegistered = RegisterClass<TProbeForm, TForm>(
    "TProbeForm", {},
    {Method("FormCreate", &TProbeForm::FormCreate), Method("ShapeClick", &TProbeForm::ShapeClick),
     Method("FailingClick", &TProbeForm::FailingClick),
     Method("FailingCreate", &TProbeForm::FailingCreate)});

bool IsMouse(unsigned msg) {
    return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
}

MouseHit HitOf(const TMessage& message) {
    return {message.Msg, GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
}

std::string StateText(const TComponent& component) {
    return component.ComponentState().Contains(TComponentStateItem::csLoading) ? "loading"
                                                                               : "ready";
}

}  // namespace

std::vector<std::string>* LogOf(TComponent& component) {
    auto* form = dynamic_cast<TProbeForm*>(component.Owner());
    return form ? &form->log : nullptr;
}

TProbeShape::TProbeShape(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 10, 10);
}

void TProbeShape::SetNote(const std::string& note) {
    m_note = note;
    if (auto* log = LogOf(*this))
        log->push_back("note " + Name() + "=" + note + " " + StateText(*this) +
                       (Parent() ? " parent=" + Parent()->Name() : " no parent"));
}

void TProbeShape::SetOpaque(bool opaque) {
    TControlStyle style = ControlStyle();
    if (opaque)
        style.Include(TControlStyleItem::csOpaque);
    else
        style.Exclude(TControlStyleItem::csOpaque);
    SetControlStyle(style);
}

void TProbeShape::Paint() {
    ++paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect({-m_overdraw, -m_overdraw, Width() + m_overdraw, Height() + m_overdraw});
}

void TProbeShape::WndProc(TMessage& message) {
    if (IsMouse(message.Msg)) hits.push_back(HitOf(message));
    if (message.Msg == CM_MOUSEENTER || message.Msg == CM_MOUSELEAVE)
        notices.push_back(message.Msg);
    TGraphicControl::WndProc(message);
}

void TProbeShape::Click() {
    ++clicks;
    TGraphicControl::Click();
}

void TProbeShape::Loaded() {
    if (auto* log = LogOf(*this)) log->push_back("loaded " + Name() + " " + StateText(*this));
    TGraphicControl::Loaded();
}

TProbeImage::TProbeImage(TComponent* owner)
    : TGraphicControl(owner), m_picture(std::make_unique<TPicture>()) {
    m_picture->OnChange = [this](TObject*) {
        if (!m_picture->Graphic()) return;
        SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
        Invalidate();
    };
}

TProbeImage::~TProbeImage() = default;

void TProbeImage::Paint() {
    Canvas()->Draw(0, 0, m_picture->Graphic());
}

TProbeText::TProbeText(TComponent* owner) : TGraphicControl(owner) {}

void TProbeText::Paint() {
    Canvas()->Font()->Assign(Font());
    Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
    Canvas()->TextOut(0, 0, Caption());
}

TProbeBox::TProbeBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 20, 20);
}

void TProbeBox::WndProc(TMessage& message) {
    if (IsMouse(message.Msg)) hits.push_back(HitOf(message));
    TCustomControl::WndProc(message);
}

void TProbeBox::Loaded() {
    if (auto* log = LogOf(*this)) log->push_back("loaded " + Name() + " " + StateText(*this));
    TCustomControl::Loaded();
}

TProbeForm::TProbeForm(TComponent* owner) : TForm(owner) {}

TProbeForm::TProbeForm(TComponent* owner, std::string_view design) : TForm(owner) {
    LoadDesign(design, "probe.kfm");
}

void TProbeForm::FormCreate(TObject*) {
    log.push_back("create " + StateText(*this));
}

void TProbeForm::FailingCreate(TObject*) {
    log.push_back("failing create");
    throw EInvalidOperation("The form could not be set up");
}

void TProbeForm::ShapeClick(TObject* sender) {
    log.push_back("click " + static_cast<TComponent*>(sender)->Name());
}

void TProbeForm::FailingClick(TObject*) {
    log.push_back("failing click");
    throw EInvalidOperation("The handler failed");
}

void TProbeForm::WndProc(TMessage& message) {
    if (IsMouse(message.Msg)) hits.push_back(HitOf(message));
    TForm::WndProc(message);
}

ScriptedAnswers::ScriptedAnswers(TModalResult answer) {
    ModalAnswerer answerer;
    answerer.messageBox = [this, answer](const ModalQuestion& question) {
        questions.push_back(question);
        return answer;
    };
    answerer.inputQuery = [this](const std::string&, const std::string&, std::string& value) {
        proposed.push_back(value);
        if (!typed) return false;
        value = *typed;
        return true;
    };
    m_previous = SetModalAnswerer(std::move(answerer));
}

ScriptedAnswers::~ScriptedAnswers() {
    SetModalAnswerer(std::move(m_previous));
}

}  // namespace kiv::test
