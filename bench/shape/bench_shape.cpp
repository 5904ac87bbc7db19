// Region building from a 450 x 300 mask: NT_Safe and Fast against Qt's own bitmap-to-region
// conversion of the same pixels, and building plus applying it to a window, in one run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBitmap>
#include <QRegion>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/form.h"
#include "framework/forms/picture.h"
#include "shape/trans_image.h"
#include "shape/transparent_form.h"

namespace {

constexpr int kWidth = 450;
constexpr int kHeight = 300;

// A window-sized mask with what shaped windows have: a large ellipse, a hole, bars and a
// ragged edge of single pixels, so that rows hold from one to a few dozen runs.
void DrawMask(kiv::TBitmap& bitmap) {
    bitmap.SetSize(kWidth, kHeight);
    kiv::TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(kiv::clWhite);
    canvas.FillRect({0, 0, kWidth, kHeight});
    canvas.Brush()->SetColor(kiv::clBlack);
    canvas.Ellipse(10, 10, 440, 290);
    canvas.Brush()->SetColor(kiv::clWhite);
    canvas.Ellipse(150, 90, 300, 210);
    canvas.Brush()->SetColor(kiv::clBlack);
    for (int x = 20; x < kWidth - 20; x += 24) canvas.FillRect({x, 130, x + 12, 170});
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; x += 7)
            if ((x * 31 + y * 17) % 5 == 0) canvas.SetPixels(x, y, kiv::clBlack);
}

// One form holding the masked image and its controller, made once.
struct Fixture {
    Fixture() : form(nullptr) {
        form.SetBorderStyle(kiv::TFormBorderStyle::bsNone);
        form.SetBounds(0, 0, kWidth, kHeight);
        image = &form.Make<kiv::TTransImage>();
        image->SetParent(&form);
        image->SetBounds(0, 0, kWidth, kHeight);
        kiv::TPicture mask;
        DrawMask(*mask.Bitmap());
        image->SetMask(&mask);
        controller = &form.Make<kiv::TTransparentForm>();
        form.Show();
        maskImage = image->Mask()->Bitmap()->Image();
    }
    kiv::TForm form;
    kiv::TTransImage* image = nullptr;
    kiv::TTransparentForm* controller = nullptr;
    QImage maskImage;
};

void Report(benchmark::State& state, const QRegion& region) {
    state.counters["rects"] = double(region.rectCount());
}

void BM_Build(benchmark::State& state, Fixture& f, kiv::TMode mode) {
    QRegion last;
    for (auto _ : state) {
        last = *f.image->CreateMaskRegion(mode);
        benchmark::DoNotOptimize(last);
    }
    Report(state, last);
}

// The peer: Qt's conversion of a 1-bit bitmap into a region (QRegion(const QBitmap&)).
void BM_QtBitmapRegion(benchmark::State& state, Fixture& f) {
    // Qt's bitmaps mark the region with set pixels: black, which ours keep at index 0.
    QImage marked = f.maskImage.convertToFormat(QImage::Format_Mono);
    marked.invertPixels();
    const QBitmap bitmap = QBitmap::fromImage(marked);
    QRegion last;
    for (auto _ : state) {
        last = QRegion(bitmap);
        benchmark::DoNotOptimize(last);
    }
    Report(state, last);
}

void BM_Apply(benchmark::State& state, Fixture& f, kiv::TMode mode) {
    f.image->SetMode(mode);
    for (auto _ : state) f.controller->ApplyRegion();
}

// The fixture's form must go before the application object does, so main owns it and the
// benchmarks are registered with a reference to it.
void Register(Fixture& f) {
    using benchmark::RegisterBenchmark;
    using kiv::TMode;
    RegisterBenchmark("BM_QtBitmapRegion", BM_QtBitmapRegion, std::ref(f))
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("BM_Build/NT_Safe", BM_Build, std::ref(f), TMode::NT_Safe)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("BM_Build/Fast", BM_Build, std::ref(f), TMode::Fast)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("BM_Apply/NT_Safe", BM_Apply, std::ref(f), TMode::NT_Safe)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("BM_Apply/Fast", BM_Apply, std::ref(f), TMode::Fast)
        ->Unit(benchmark::kMillisecond);
}

// Prints each benchmark's time against the peer's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double peer = m_times["BM_QtBitmapRegion"];
        if (peer <= 0) return;
        std::printf("\nTime per region against Qt's own conversion (BM_QtBitmapRegion = 1):\n");
        for (const auto& [name, time] : m_times)
            std::printf("  %-20s %8.3f ms  %6.2fx\n", name.c_str(), time, time / peer);
    }

private:
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    Fixture fixture;
    Register(fixture);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
