// TApplication: the toolkit application, the framework hooks and the message loop.
#include "framework/forms/application.h"

#include <QApplication>

#include "framework/forms/dialogs.h"
#include "framework/forms/form.h"
#include "framework/message_pump.h"

namespace kiv {

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    if (!QCoreApplication::instance()) {
        m_qtApplication = std::make_unique<QApplication>(m_argc, m_argv);
    }
    // Forms are hidden, not closed, so the loop ends only when the main form says so.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_previousPump = SetProcessMessagesHook([this] { ProcessMessages(); });
    m_previousAnswerer = SetModalAnswerer(ScreenDialogs());
}

TApplication::~TApplication() {
    // The forms' windows must go while the toolkit application still exists.
    DestroyComponents();
    SetProcessMessagesHook(std::move(m_previousPump));
    SetModalAnswerer(std::move(m_previousAnswerer));
}

void TApplication::SetTitle(const std::string& title) {
    m_title = title;
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void TApplication::Run() {
    if (m_terminated) return;
    if (m_mainForm) m_mainForm->Show();
    if (m_terminated) return;
    QCoreApplication::exec();
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate() {
    m_terminated = true;
    QCoreApplication::quit();
}

void TApplication::ShowException(const std::exception& error) {
    kiv::ShowException(error);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return kiv::MessageBox(text, caption.empty() ? m_title : caption, flags);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opInsert && !m_mainForm) {
        m_mainForm = dynamic_cast<TForm*>(component);
    } else if (operation == TOperation::opRemove && component == m_mainForm) {
        m_mainForm = nullptr;
    }
}

}  // namespace kiv
