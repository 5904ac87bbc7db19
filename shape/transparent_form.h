// TTransparentForm: the controller that shapes its form's window from the form's region-giving
// controls, lets the user drag the window by its surface and can keep it on top.
#pragma once

#include <QRegion>
#include <optional>

#include "framework/component.h"
#include "framework/forms/messages.h"

namespace kiv {

class TForm;

// Dropped on a form, which must own it. Outside design mode it subclasses the form's window
// procedure from construction to destruction: every message goes to the previous procedure
// first; then, while Dragable, a left press that reached the form's own window (its surface or
// a control without a window of its own) starts the window system's move, which takes the mouse
// until the release, so the pressed control gets no click.
//
// The region (BuildRegion) joins the enabled region-giving controls that lie directly on the
// form, in the form's control order: ellipses (the ellipse in their bounds), rectangles (their
// bounds), images with a mask (the mask's region at the image's place) and polygons with points
// (their polygon, even-odd). Visible is not looked at. The first contribution is taken as it is;
// each later one is joined by its own CombineMode: cmAnd intersects, cmCopy changes nothing,
// cmDifference cuts out, cmOR unites, cmXOR keeps what only one of the two covers. When the
// first contributor yields no region (an image whose mask has no black pixel under NT_Safe),
// the result is none. Built in client coordinates, the region is moved to window coordinates for
// a form with a border.
//
// The four properties are always written to designs. Reading AutoTransparent = True builds and
// applies the region then, from the controls read before the controller. UI thread only.
class TTransparentForm : public TComponent {
public:
    // ENotifyError "Owner must be a TForm!" when `owner` is not a form (before touching it);
    // ENotifyError "Failed to subclass window" when the form has no window procedure to chain to.
    explicit TTransparentForm(TComponent* owner);
    ~TTransparentForm() override;

    bool ShapesVisible() const { return m_shapesVisible; }
    // Shows or hides the ellipses, rectangles and polygons the form owns at this moment (outside
    // design mode), on every assignment.
    void SetShapesVisible(bool visible);
    bool Dragable() const { return m_dragable; }
    void SetDragable(bool dragable) { m_dragable = dragable; }
    bool AlwaysOnTop() const { return m_alwaysOnTop; }
    // Keeps the window above others; the window is touched only when its state differs.
    void SetAlwaysOnTop(bool onTop);
    bool AutoTransparent() const { return m_autoTransparent; }
    // True (again) builds and applies the region; false leaves the applied one as it is.
    void SetAutoTransparent(bool autoTransparent);

    // Builds the region and gives it to the form's window; none gives the window back its whole
    // rectangle.
    void ApplyRegion();
    std::optional<QRegion> BuildRegion() const;

private:
    bool Designing() const;
    void WindowProcedure(TMessage& message);

    TForm* m_form;
    bool m_shapesVisible = false;
    bool m_dragable = true;
    bool m_alwaysOnTop = false;
    bool m_autoTransparent = true;
    TWndMethod m_previous;
    bool m_subclassed = false;
};

}  // namespace kiv
