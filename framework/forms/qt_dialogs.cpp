// The modal questions shown on screen with Qt dialogs, and the application title from Qt.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "framework/forms/dialogs.h"
#include "framework/modal.h"

namespace kiv {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
        case TMsgDlgType::mtWarning:
            return QMessageBox::Warning;
        case TMsgDlgType::mtError:
            return QMessageBox::Critical;
        case TMsgDlgType::mtInformation:
            return QMessageBox::Information;
        case TMsgDlgType::mtConfirmation:
            return QMessageBox::Question;
        case TMsgDlgType::mtCustom:
            return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

struct ButtonMapping {
    TMsgDlgBtn button;
    QMessageBox::StandardButton standard;
    TModalResult result;
};
constexpr ButtonMapping kButtons[] = {
    {TMsgDlgBtn::mbYes, QMessageBox::Yes, TModalResult::mrYes},
    {TMsgDlgBtn::mbNo, QMessageBox::No, TModalResult::mrNo},
    {TMsgDlgBtn::mbOK, QMessageBox::Ok, TModalResult::mrOk},
    {TMsgDlgBtn::mbCancel, QMessageBox::Cancel, TModalResult::mrCancel},
    {TMsgDlgBtn::mbAbort, QMessageBox::Abort, TModalResult::mrAbort},
    {TMsgDlgBtn::mbRetry, QMessageBox::Retry, TModalResult::mrRetry},
    {TMsgDlgBtn::mbIgnore, QMessageBox::Ignore, TModalResult::mrIgnore},
    {TMsgDlgBtn::mbAll, QMessageBox::YesToAll, TModalResult::mrAll},
    {TMsgDlgBtn::mbNoToAll, QMessageBox::NoToAll, TModalResult::mrNoToAll},
    {TMsgDlgBtn::mbYesToAll, QMessageBox::YesToAll, TModalResult::mrYesToAll},
    {TMsgDlgBtn::mbHelp, QMessageBox::Help, TModalResult::mrNone},
};

TModalResult ShowMessageBox(const ModalQuestion& question) {
    // Layers below the application (the archive engine's drive prompt) cannot know its title.
    const std::string& caption = question.caption.empty() ? ApplicationTitle() : question.caption;
    QMessageBox box(IconOf(question.type), FromUtf8(caption), FromUtf8(question.text));
    QMessageBox::StandardButtons standard;
    for (const ButtonMapping& mapping : kButtons) {
        if (question.buttons.Contains(mapping.button)) standard |= mapping.standard;
    }
    if (!standard) standard = QMessageBox::Ok;
    box.setStandardButtons(standard);
    int clicked = box.exec();
    for (const ButtonMapping& mapping : kButtons) {
        if (clicked == mapping.standard) return mapping.result;
    }
    return CautiousAnswer(question.buttons);
}

bool ShowInputBox(const std::string& caption, const std::string& prompt, std::string& value) {
    QDialog dialog;
    dialog.setWindowTitle(FromUtf8(caption));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(FromUtf8(prompt), &dialog));
    auto* edit = new QLineEdit(FromUtf8(value), &dialog);
    edit->setMaxLength(static_cast<int>(kInputQueryMaxLength));
    edit->selectAll();
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    value = edit->text().toStdString();
    return true;
}

}  // namespace

std::string ApplicationTitle() {
    if (!QCoreApplication::instance()) return {};
    return QGuiApplication::applicationDisplayName().toStdString();
}

ModalAnswerer ScreenDialogs() {
    return {ShowMessageBox, ShowInputBox};
}

}  // namespace kiv
