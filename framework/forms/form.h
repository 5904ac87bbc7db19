// TForm: a top-level window built from its design, with its create handler and window effects.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/design_parser.h"
#include "framework/forms/custom_control.h"

namespace kiv {

enum class TFormBorderStyle : std::uint8_t {
    bsNone,
    bsSingle,
    bsSizeable,
    bsDialog,
    bsToolWindow,
    bsSizeToolWin
};
template <>
struct EnumInfo<TFormBorderStyle> {
    static constexpr std::array<std::string_view, 6> names{
        "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"};
};

enum class TPosition : std::uint8_t {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
template <>
struct EnumInfo<TPosition> {
    static constexpr std::array<std::string_view, 8> names{
        "poDesigned",     "poDefault",       "poDefaultPosOnly", "poDefaultSizeOnly",
        "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
};

enum class TFormStyle : std::uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
template <>
struct EnumInfo<TFormStyle> {
    static constexpr std::array<std::string_view, 4> names{"fsNormal", "fsMDIChild", "fsMDIForm",
                                                           "fsStayOnTop"};
};

enum class TCloseAction : std::uint8_t { caNone, caHide, caFree, caMinimize };
using TCloseEvent = Event<TObject*, TCloseAction&>;

// A form's Left/Top/Width/Height are its window's on the screen (frame included); its client
// area is ClientWidth x ClientHeight (the same for bsNone). A form starts hidden.
//
// A form destroys the components it owns first, while it is still a whole form, so that their
// destructors may use it (put back its window procedure, leave its lists).
//
// A form class reads its design in its constructor with LoadDesign, which also runs OnCreate;
// an exception from OnCreate is shown by the standard error report and the form is still
// usable. Closing the application's main form ends the application's message loop.
class TForm : public TCustomControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Shows the form (placing it by Position the first time) and raises it.
    void Show();
    void Hide() { SetVisible(false); }
    // Asks OnClose what to do (caHide by default) and hides the form; closing the main form
    // of a TApplication terminates it.
    void Close();

    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition position) { m_position = position; }
    TFormStyle FormStyle() const { return m_formStyle; }
    // fsStayOnTop keeps the window above others, as SetTopmost(true) does.
    void SetFormStyle(TFormStyle style);
    // The window-stays-on-top flag. Changing it touches the window only when it differs.
    bool Topmost() const { return m_topmost; }
    void SetTopmost(bool topmost);

    TRect ClientRect() const override;
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;
    TPoint ClientOrigin() const override;

    const TNotifyEvent& OnCreate() const { return m_onCreate; }
    void SetOnCreate(TNotifyEvent handler) { m_onCreate = std::move(handler); }
    const TCloseEvent& OnClose() const { return m_onClose; }
    void SetOnClose(TCloseEvent handler) { m_onClose = std::move(handler); }
    const TNotifyEvent& OnShow() const { return m_onShow; }
    void SetOnShow(TNotifyEvent handler) { m_onShow = std::move(handler); }
    const TNotifyEvent& OnHide() const { return m_onHide; }
    void SetOnHide(TNotifyEvent handler) { m_onHide = std::move(handler); }
    const TNotifyEvent& OnPaint() const { return m_onPaint; }
    void SetOnPaint(TNotifyEvent handler) { m_onPaint = std::move(handler); }

protected:
    // Reads the form's design into this form (its registered class must be the design's root
    // class), then runs DoCreate. Design errors propagate as EDesignError.
    void LoadDesign(std::string_view text, const std::string& designName,
                    BundledFileResolver files = {});
    // Raises OnCreate; an exception from it goes to the standard error report.
    virtual void DoCreate();
    void Paint() override;

    void WMSysCommand(TMessage& message) override;
    void WMClose(TMessage& message) override;
    void CMVisibleChanged(TMessage& message) override;
    void CMTextChanged(TMessage& message) override;
    WindowKind Kind() const override { return WindowKind::TopLevel; }
    void InitializeHandle(WindowHandle& handle) override;

private:
    void PlaceOnFirstShow();

    TFormBorderStyle m_borderStyle = TFormBorderStyle::bsSizeable;
    TPosition m_position = TPosition::poDesigned;
    TFormStyle m_formStyle = TFormStyle::fsNormal;
    bool m_topmost = false;
    bool m_placed = false;
    TNotifyEvent m_onCreate;
    TCloseEvent m_onClose;
    TNotifyEvent m_onShow;
    TNotifyEvent m_onHide;
    TNotifyEvent m_onPaint;
};

}  // namespace kiv
