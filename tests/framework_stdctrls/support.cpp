// Test helpers for the plain controls.
#include "support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>

#include "framework/forms/font.h"
#include "framework/forms/win_control.h"
#include "platform/draw/qt_convert.h"
#include "platform/folders.h"

namespace kiv::test {

namespace {

// Widgets need the toolkit's application object for the whole run.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QApplication::instance()) m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "stdctrls_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

const auto* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QImage FromArt(const std::vector<std::string>& rows, const Palette& palette) {
    QImage image(int(rows.at(0).size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, platform::ToQRgb(palette.at(rows[y][x])));
    return image;
}

void UseTerminalFont(TFont& font, TColor color) {
    font.SetName("Terminal");
    font.SetCharset(platform::OEM_CHARSET);
    font.SetHeight(-8);
    font.SetColor(color);
}

QImage PaintControl(TControl& control, int width, int height, TColor background) {
    QImage image = BlankImage(width, height, background);
    platform::DeviceContext dc(image);
    if (dynamic_cast<TWinControl*>(&control)) control.Perform(WM_ERASEBKGND, DCParam(dc));
    control.Perform(WM_PAINT, DCParam(dc));
    return image;
}

QImage Reference(int width, int height, TColor background,
                 const std::function<void(platform::DeviceContext&)>& draw) {
    QImage image = BlankImage(width, height, background);
    platform::DeviceContext dc(image);
    draw(dc);
    return image;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) ++count;
    return count;
}

TempTree::TempTree() {
    auto current = platform::CurrentFolder();
    if (!current) throw std::runtime_error(current.error());
    m_savedCurrent = *current;
    std::string pattern = (std::filesystem::temp_directory_path() / "stdctrls-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_root = std::filesystem::canonical(pattern).string();
}

TempTree::~TempTree() {
    (void)platform::SetCurrentFolder(m_savedCurrent);
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::string TempTree::MakeFolder(const std::string& relative) const {
    std::filesystem::path path = std::filesystem::path(m_root) / relative;
    std::filesystem::create_directories(path);
    return path.string();
}

void TempTree::MakeFile(const std::string& relative) const {
    std::ofstream(std::filesystem::path(m_root) / relative).put('x');
}

}  // namespace kiv::test
