// Message boxes, the input box and the standard error report, all through the modal seam.
#pragma once

#include <exception>
#include <string>

namespace kiv {

// MessageBox flags: one button set, one icon.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_OKCANCEL = 0x0001;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x0002;
constexpr unsigned MB_YESNOCANCEL = 0x0003;
constexpr unsigned MB_YESNO = 0x0004;
constexpr unsigned MB_RETRYCANCEL = 0x0005;
constexpr unsigned MB_ICONERROR = 0x0010;
constexpr unsigned MB_ICONHAND = MB_ICONERROR;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x0020;
constexpr unsigned MB_ICONWARNING = 0x0030;
constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr unsigned MB_ICONINFORMATION = 0x0040;
constexpr unsigned MB_ICONASTERISK = MB_ICONINFORMATION;

// MessageBox answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The longest text the input box lets the user type, in characters.
constexpr std::size_t kInputQueryMaxLength = 255;

// Asks through the modal seam (framework/modal.h) and answers IDOK, IDCANCEL ... An answer that
// the offered buttons do not contain counts as the most cautious of them. UI thread only.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

// The input box: `caption`, `prompt`, an edit field holding `value`, OK and Cancel. True with
// the edited text in `value` on OK; false with `value` unchanged on Cancel. A new text longer
// than kInputQueryMaxLength characters is cut to that length, as typing into the field would.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

// The standard error report: a message box captioned with the application's title, the
// error icon, the exception's message and OK. For anything not derived from std::exception
// the message is "Unknown error".
void ShowException(const std::exception& error);
void ShowException(std::exception_ptr error);

// Runs `action`; an exception leaving it goes to the standard error report instead of going
// on. The boundary every call from the toolkit into component code passes.
template <typename Action>
void GuardedCall(Action&& action) noexcept {
    try {
        action();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

// The application title: what TApplication::SetTitle set, else the program's name.
std::string ApplicationTitle();

// Answers modal questions with real dialogs on screen (installed by TApplication).
struct ModalAnswerer;
ModalAnswerer ScreenDialogs();

}  // namespace kiv
