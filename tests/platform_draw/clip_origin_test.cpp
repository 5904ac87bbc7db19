// Every primitive obeys the window origin and the clip region in the same way.
#include <gtest/gtest.h>

#include <functional>

#include "platform/draw/draw_edge.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::BlankImage;

constexpr int kSize = 20;
constexpr int kShift = 8;  // a multiple of 8 keeps device-anchored hatch patterns in phase

struct Primitive {
    const char* name;
    std::function<void(DeviceContext&)> draw;  // draws inside logical (0,0)-(11,11)
};

QImage Draw(const Primitive& p, const std::function<void(DeviceContext&)>& setup) {
    QImage image = BlankImage(kSize, kSize, clWhite);
    DeviceContext dc(image);
    Font terminal;
    terminal.name = "Terminal";
    dc.SelectFont(terminal);
    dc.SelectBrush(Brush::Hatched(HS_DIAGCROSS, clRed));
    dc.SetBkColor(clAqua);
    setup(dc);
    p.draw(dc);
    return image;
}

class ClipAndOrigin : public ::testing::TestWithParam<Primitive> {};

TEST_P(ClipAndOrigin, WindowOriginMovesThePicture) {
    const QImage plain = Draw(GetParam(), [](DeviceContext&) {});
    const QImage moved =
        Draw(GetParam(), [](DeviceContext& dc) { dc.SetWindowOrgEx(-kShift, -kShift); });
    ASSERT_NE(plain, BlankImage(kSize, kSize, clWhite)) << "the primitive drew nothing";
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool source = x >= kShift && y >= kShift;
            const QRgb expected = source ? plain.pixel(x - kShift, y - kShift) : ToQRgb(clWhite);
            ASSERT_EQ(moved.pixel(x, y), expected) << "at " << x << "," << y;
        }
    }
}

TEST_P(ClipAndOrigin, NothingIsDrawnOutsideTheClipRegion) {
    const QImage plain = Draw(GetParam(), [](DeviceContext&) {});
    const TRect keep(3, 2, 9, 10);
    const TRect hole(4, 4, 6, 5);
    const QImage clipped = Draw(GetParam(), [&](DeviceContext& dc) {
        dc.IntersectClipRect(keep);
        dc.ExcludeClipRect(hole);
    });
    int inside = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool visible = keep.Contains(TPoint(x, y)) && !hole.Contains(TPoint(x, y));
            const QRgb expected = visible ? plain.pixel(x, y) : ToQRgb(clWhite);
            inside += visible && plain.pixel(x, y) != ToQRgb(clWhite);
            ASSERT_EQ(clipped.pixel(x, y), expected) << "at " << x << "," << y;
        }
    }
    EXPECT_GT(inside, 0) << "the test clip region shows none of the primitive";
}

QImage SourceImage() {
    QImage src = BlankImage(6, 6, clBlue);
    src.setPixel(1, 1, ToQRgb(clLime));
    src.setPixel(4, 2, ToQRgb(clYellow));
    return src;
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, ClipAndOrigin,
    ::testing::Values(
        Primitive{"FillRectSolid",
                  [](DeviceContext& dc) { dc.FillRect(TRect(1, 1, 10, 9), Brush::Solid(clRed)); }},
        Primitive{"FillRectHatched",
                  [](DeviceContext& dc) { dc.FillRect(TRect(0, 0, 11, 11), dc.GetBrush()); }},
        Primitive{"FrameRect",
                  [](DeviceContext& dc) { dc.FrameRect(TRect(2, 1, 10, 9), Brush::Solid(clRed)); }},
        Primitive{"Rectangle", [](DeviceContext& dc) { dc.Rectangle(1, 1, 10, 10); }},
        Primitive{"Ellipse", [](DeviceContext& dc) { dc.Ellipse(0, 1, 11, 10); }},
        Primitive{"EllipseWidePen",
                  [](DeviceContext& dc) {
                      dc.SelectPen(Pen::Solid(clBlack, 3));
                      dc.Ellipse(1, 1, 10, 10);
                  }},
        Primitive{"Polygon",
                  [](DeviceContext& dc) {
                      const TPoint pts[] = {{5, 0}, {10, 9}, {0, 6}, {9, 3}, {2, 10}};
                      dc.Polygon(pts);
                  }},
        Primitive{"Polyline",
                  [](DeviceContext& dc) {
                      const TPoint pts[] = {{0, 0}, {10, 3}, {2, 9}, {9, 10}};
                      dc.Polyline(pts);
                  }},
        Primitive{"LineTo",
                  [](DeviceContext& dc) {
                      dc.MoveToEx(10, 0);
                      dc.LineTo(1, 10);
                  }},
        Primitive{"SetPixel",
                  [](DeviceContext& dc) {
                      for (int i = 0; i < 11; ++i) dc.SetPixel(i, (i * 7) % 11, clBlack);
                  }},
        Primitive{"BitBlt",
                  [](DeviceContext& dc) {
                      QImage src = SourceImage();
                      DeviceContext s(src);
                      dc.BitBlt(2, 3, 6, 6, &s, 0, 0, SRCCOPY);
                  }},
        Primitive{"PatBlt", [](DeviceContext& dc) { dc.PatBlt(1, 2, 9, 8, PATCOPY); }},
        Primitive{"InvertRect", [](DeviceContext& dc) { dc.InvertRect(TRect(2, 2, 9, 8)); }},
        Primitive{"DrawEdge",
                  [](DeviceContext& dc) {
                      TRect r(1, 1, 10, 10);
                      DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
                  }},
        Primitive{"DrawTextOpaque",
                  [](DeviceContext& dc) {
                      TRect r(0, 1, 11, 11);
                      DrawText(dc, "&Ab\nc", r, DT_CENTER);
                  }},
        Primitive{"DrawStateDisabled",
                  [](DeviceContext& dc) {
                      DrawStateText(dc, "Hi", 1, 1, 0, 0, DST_TEXT | DSS_DISABLED);
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::platform
