// Controls and a form for the tests: they paint plain colours and record what reaches them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/forms/custom_control.h"
#include "framework/forms/form.h"
#include "framework/forms/graphic_control.h"
#include "framework/forms/picture.h"
#include "framework/modal.h"

namespace kiv::test {

struct MouseHit {
    unsigned msg;
    int x;
    int y;
    bool operator==(const MouseHit&) const = default;
};

// The form that owns a probe, whose log records loading steps, or nullptr.
std::vector<std::string>* LogOf(TComponent& component);

// A windowless control that fills its client area with Color and records mouse messages,
// notices and paints. Its Note property logs every assignment.
class TProbeShape : public TGraphicControl {
public:
    explicit TProbeShape(TComponent* owner);

    const std::string& Note() const { return m_note; }
    void SetNote(const std::string& note);
    void SetOpaque(bool opaque);
    // Paints this much beyond its bounds on every side, to show the clipping.
    void SetOverdraw(int pixels) { m_overdraw = pixels; }

    std::vector<MouseHit> hits;
    std::vector<unsigned> notices;  // CM_MOUSEENTER, CM_MOUSELEAVE
    int paints = 0;
    int clicks = 0;

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;
    void Click() override;
    void Loaded() override;

private:
    std::string m_note;
    int m_overdraw = 0;
};

// A windowless control drawing its picture at (0, 0).
class TProbeImage : public TGraphicControl {
public:
    explicit TProbeImage(TComponent* owner);
    ~TProbeImage() override;
    TPicture* Picture() const { return m_picture.get(); }

protected:
    void Paint() override;

private:
    std::unique_ptr<TPicture> m_picture;
};

// A windowless text line: Caption in Font, no background.
class TProbeText : public TGraphicControl {
public:
    explicit TProbeText(TComponent* owner);

protected:
    void Paint() override;
};

// A windowed container; the erase fills it with Color. Records its own mouse messages.
class TProbeBox : public TCustomControl {
public:
    explicit TProbeBox(TComponent* owner);
    std::vector<MouseHit> hits;

protected:
    void WndProc(TMessage& message) override;
    void Loaded() override;
};

// A form that reads the design it is given and publishes handlers that log.
class TProbeForm : public TForm {
public:
    explicit TProbeForm(TComponent* owner);
    TProbeForm(TComponent* owner, std::string_view design);

    void FormCreate(TObject* sender);
    void ShapeClick(TObject* sender);
    void FailingClick(TObject* sender);
    void FailingCreate(TObject* sender);

    std::vector<std::string> log;
    std::vector<MouseHit> hits;

protected:
    void WndProc(TMessage& message) override;
};

// Installs a modal answerer that records each question and answers with `answer`; the old one
// is restored at the end of the scope.
class ScriptedAnswers {
public:
    explicit ScriptedAnswers(TModalResult answer = TModalResult::mrOk);
    ~ScriptedAnswers();
    ScriptedAnswers(const ScriptedAnswers&) = delete;
    ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

    std::vector<ModalQuestion> questions;
    // The input box: replaces the value with `typed` (nullopt: cancel).
    std::optional<std::string> typed;
    std::vector<std::string> proposed;

private:
    ModalAnswerer m_previous;
};

}  // namespace kiv::test
