// TApplication: the program's title, main form and message loop.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/component.h"
#include "framework/modal.h"

class QApplication;

namespace kiv {

class TForm;

// The one application object of a windowed program. It owns the toolkit's application (made
// here unless the caller made one first), connects the framework core's hooks (ProcessMessages
// to the toolkit's event processing, the modal seam to dialogs on screen) and puts back the
// ones it replaced when it is destroyed. Forms it owns are destroyed with it.
//
// Exceptions that leave event handlers are caught where the toolkit calls the framework and
// shown by the standard error report (dialogs.h); the loop goes on. UI thread only.
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    // The caption of the standard error report and the program's name for the window system.
    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title);

    // Creates a form of class T owned by the application; the first form created this way (or
    // inserted otherwise) becomes the main form.
    template <typename T>
    T& CreateForm() {
        return Make<T>();
    }
    TForm* MainForm() const { return m_mainForm; }

    // Shows the main form and runs the message loop until Terminate (closing the main form
    // calls it). Returns at once when Terminate came first.
    void Run();
    // Lets the pending messages through once, without waiting.
    void ProcessMessages();
    // Ends the message loop; Run returns when the current message has been handled.
    void Terminate();
    bool Terminated() const { return m_terminated; }

    // The standard error report.
    void ShowException(const std::exception& error);
    // MessageBox with the title as caption when `caption` is empty.
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    int m_argc = 1;
    char m_argv0[16] = "kiv-installer";
    char* m_argv[2] = {m_argv0, nullptr};
    std::unique_ptr<QApplication> m_qtApplication;
    std::string m_title;
    TForm* m_mainForm = nullptr;
    bool m_terminated = false;
    std::function<void()> m_previousPump;
    ModalAnswerer m_previousAnswerer;
};

}  // namespace kiv
