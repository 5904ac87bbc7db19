// DrawEdge: the 3-D borders of classic Windows, in the system colours.
#pragma once

#include "platform/draw/device_context.h"

namespace kiv::platform {

constexpr unsigned BDR_RAISEDOUTER = 0x0001;
constexpr unsigned BDR_SUNKENOUTER = 0x0002;
constexpr unsigned BDR_RAISEDINNER = 0x0004;
constexpr unsigned BDR_SUNKENINNER = 0x0008;
constexpr unsigned BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr unsigned BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr unsigned BF_LEFT = 0x0001;
constexpr unsigned BF_TOP = 0x0002;
constexpr unsigned BF_RIGHT = 0x0004;
constexpr unsigned BF_BOTTOM = 0x0008;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x0800;
constexpr unsigned BF_ADJUST = 0x2000;

// Draws up to two one-pixel rings inside `rect`: the outer part of `edge` on the outermost
// pixels, the inner part one pixel further in (or on the outermost pixels when `edge` has no
// outer part). On each ring the left and top lines take the light colour of the part, the
// right and bottom lines the dark one, and the bottom-left and top-right corners belong to the
// right and bottom lines:
//   BDR_RAISEDOUTER  cl3DLight      / cl3DDkShadow
//   BDR_SUNKENOUTER  clBtnShadow    / clBtnHighlight
//   BDR_RAISEDINNER  clBtnHighlight / clBtnShadow
//   BDR_SUNKENINNER  cl3DDkShadow   / cl3DLight
// Only the sides named by BF_LEFT/TOP/RIGHT/BOTTOM are drawn. BF_MIDDLE fills what lies
// inside the rings with clBtnFace; BF_ADJUST shrinks `rect` by the rings drawn on each drawn
// side. Returns false when `edge` names no border.
bool DrawEdge(DeviceContext& dc, TRect& rect, unsigned edge, unsigned flags);

}  // namespace kiv::platform
