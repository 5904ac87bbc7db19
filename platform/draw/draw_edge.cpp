// DrawEdge: rings of light and dark lines in the classic system colours.
#include "platform/draw/draw_edge.h"

#include <vector>

namespace kiv::platform {

namespace {

struct Ring {
    TColor light;
    TColor dark;
};

// One ring's colours for a single BDR_ value; the raised and sunken bits of one part exclude
// each other, and a part that names both draws nothing, as GDI draws nothing for it.
bool RingFor(unsigned part, bool outer, Ring& ring) {
    const unsigned raised = outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
    const unsigned sunken = outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    if (part == raised) {
        ring = outer ? Ring{cl3DLight, cl3DDkShadow} : Ring{clBtnHighlight, clBtnShadow};
    } else if (part == sunken) {
        ring = outer ? Ring{clBtnShadow, clBtnHighlight} : Ring{cl3DDkShadow, cl3DLight};
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool DrawEdge(DeviceContext& dc, TRect& rect, unsigned edge, unsigned flags) {
    std::vector<Ring> rings;
    Ring ring{};
    if (RingFor(edge & BDR_OUTER, true, ring)) rings.push_back(ring);
    if (RingFor(edge & BDR_INNER, false, ring)) rings.push_back(ring);
    if (rings.empty()) return false;

    TRect r = rect;
    for (const Ring& c : rings) {
        if (r.IsEmpty()) break;
        if (flags & BF_TOP) dc.FillSolidRect(TRect(r.Left, r.Top, r.Right, r.Top + 1), c.light);
        if (flags & BF_LEFT) dc.FillSolidRect(TRect(r.Left, r.Top, r.Left + 1, r.Bottom), c.light);
        if (flags & BF_BOTTOM) {
            dc.FillSolidRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), c.dark);
        }
        if (flags & BF_RIGHT) {
            dc.FillSolidRect(TRect(r.Right - 1, r.Top, r.Right, r.Bottom), c.dark);
        }
        if (flags & BF_LEFT) ++r.Left;
        if (flags & BF_TOP) ++r.Top;
        if (flags & BF_RIGHT) --r.Right;
        if (flags & BF_BOTTOM) --r.Bottom;
    }
    if ((flags & BF_MIDDLE) && !r.IsEmpty()) dc.FillSolidRect(r, clBtnFace);
    if (flags & BF_ADJUST) rect = r;
    return true;
}

}  // namespace kiv::platform
