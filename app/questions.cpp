// The installer's questions as Qt dialogs.
#include "app/questions.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QString>

namespace kiv {

namespace {

QWidget* ActiveWindow() {
    return QApplication::activeWindow();
}

std::optional<std::string> LocateVolume(const std::string& folder, const std::string& volume) {
    QFileDialog dialog(ActiveWindow(), QString::fromStdString("Locate volume " + volume),
                       QString::fromStdString(folder));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Our own dialog looks the same on every desktop and can be driven by tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(QString::fromStdString(volume));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> AskPassword(const std::string& entry) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(ActiveWindow(), QStringLiteral("Password"),
                              QString::fromStdString("Enter the password for " + entry + ":"),
                              QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

}  // namespace

InstallerQuestions ScreenQuestions() {
    return {LocateVolume, AskPassword};
}

}  // namespace kiv
