// Screenshots and pointer input on the X server the tests run on.
#include "tests/support/screen.h"

#include <QProcess>
#include <cstdio>

#include "tests/support/files.h"
#include "tests/support/pump.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace kiv::test {

QImage Screenshot() {
    const TempFolder temp;
    const std::string file = temp / "screen.png";
    if (RunShell("import -window root png:" + ShellQuote(file)) != 0) return {};
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
}

bool XDoTool(const std::string& arguments) {
    return RunShell("xdotool " + arguments) == 0;
}

bool XDoToolLive(const std::string& arguments) {
    QProcess process;
    process.start("sh", {"-c", QString::fromStdString("exec xdotool " + arguments)});
    if (!process.waitForStarted(10000)) return false;
    if (!PumpUntil([&] { return process.state() == QProcess::NotRunning; }, "xdotool finishes")) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::optional<TPoint> WindowPosition(const std::string& name) {
    const TempFolder temp;
    const std::string file = temp / "geometry";
    const std::string command = "xdotool search --onlyvisible --name " + ShellQuote(name) +
                                " getwindowgeometry --shell %1 > " + ShellQuote(file);
    if (RunShell(command) != 0) return std::nullopt;
    int x = 0, y = 0;
    bool haveX = false, haveY = false;
    const std::string text = ReadFile(file);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        haveX = haveX || std::sscanf(line.c_str(), "X=%d", &x) == 1;
        haveY = haveY || std::sscanf(line.c_str(), "Y=%d", &y) == 1;
        at = end + 1;
    }
    if (!haveX || !haveY) return std::nullopt;
    return TPoint(x, y);
}

}  // namespace kiv::test
