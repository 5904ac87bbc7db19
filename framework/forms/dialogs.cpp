// MessageBox, InputQuery and the standard error report on top of the modal seam.
#include "framework/forms/dialogs.h"

#include "framework/exception.h"
#include "framework/modal.h"

namespace kiv {

namespace {

TMsgDlgButtons ButtonsOf(unsigned flags) {
    using B = TMsgDlgBtn;
    switch (flags & 0x0F) {
        case MB_OKCANCEL:
            return {B::mbOK, B::mbCancel};
        case MB_ABORTRETRYIGNORE:
            return {B::mbAbort, B::mbRetry, B::mbIgnore};
        case MB_YESNOCANCEL:
            return {B::mbYes, B::mbNo, B::mbCancel};
        case MB_YESNO:
            return {B::mbYes, B::mbNo};
        case MB_RETRYCANCEL:
            return {B::mbRetry, B::mbCancel};
        default:
            return {B::mbOK};
    }
}

TMsgDlgType TypeOf(unsigned flags) {
    switch (flags & 0xF0) {
        case MB_ICONERROR:
            return TMsgDlgType::mtError;
        case MB_ICONQUESTION:
            return TMsgDlgType::mtConfirmation;
        case MB_ICONWARNING:
            return TMsgDlgType::mtWarning;
        case MB_ICONINFORMATION:
            return TMsgDlgType::mtInformation;
        default:
            return TMsgDlgType::mtCustom;
    }
}

// The button a result stands for, and the MessageBox answer of that button.
struct ResultMapping {
    TModalResult result;
    TMsgDlgBtn button;
    int answer;
};
constexpr ResultMapping kResults[] = {
    {TModalResult::mrOk, TMsgDlgBtn::mbOK, IDOK},
    {TModalResult::mrCancel, TMsgDlgBtn::mbCancel, IDCANCEL},
    {TModalResult::mrAbort, TMsgDlgBtn::mbAbort, IDABORT},
    {TModalResult::mrRetry, TMsgDlgBtn::mbRetry, IDRETRY},
    {TModalResult::mrIgnore, TMsgDlgBtn::mbIgnore, IDIGNORE},
    {TModalResult::mrYes, TMsgDlgBtn::mbYes, IDYES},
    {TModalResult::mrNo, TMsgDlgBtn::mbNo, IDNO},
};

const ResultMapping* Offered(TModalResult result, TMsgDlgButtons buttons) {
    for (const ResultMapping& mapping : kResults) {
        if (mapping.result == result && buttons.Contains(mapping.button)) return &mapping;
    }
    return nullptr;
}

// The first `limit` characters of UTF-8 `text`; bytes that start no character count as one.
std::string CutToCharacters(const std::string& text, std::size_t limit) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80 && i > 0) continue;
        if (count == limit) return text.substr(0, i);
        ++count;
    }
    return text;
}

}  // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    TMsgDlgButtons buttons = ButtonsOf(flags);
    TModalResult result = AskUser(text, caption, TypeOf(flags), buttons);
    const ResultMapping* mapping = Offered(result, buttons);
    if (!mapping) mapping = Offered(CautiousAnswer(buttons), buttons);
    return mapping ? mapping->answer : IDCANCEL;
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    std::string edited = value;
    if (!AskText(caption, prompt, edited)) return false;
    if (edited != value) edited = CutToCharacters(edited, kInputQueryMaxLength);
    value = std::move(edited);
    return true;
}

void ShowException(const std::exception& error) {
    const auto* own = dynamic_cast<const Exception*>(&error);
    AskUser(own ? own->Message() : std::string(error.what()), ApplicationTitle(),
            TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

void ShowException(std::exception_ptr error) {
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        AskUser("Unknown error", ApplicationTitle(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    }
}

}  // namespace kiv
