// Screenshot: ImageMagick's import into a fresh temporary folder, read back by Qt.
#include "tests/support/screen.h"

#include <QString>
#include <string>

#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace kiv::test {

QImage Screenshot() {
    const TempFolder temp;
    const std::string file = temp / "screen.png";
    if (RunShell("import -window root png:" + ShellQuote(file)) != 0) return {};
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
}

}  // namespace kiv::test
