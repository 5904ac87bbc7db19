// The modal-question seam and its cautious default answers.
#include "framework/modal.h"

#include <utility>

namespace kiv {

namespace {
// One of the framework's two deliberate global hooks; touched on the UI thread only.
ModalAnswerer& Answerer() {
    static ModalAnswerer answerer;
    return answerer;
}
}  // namespace

TModalResult CautiousAnswer(TMsgDlgButtons buttons) {
    using enum TMsgDlgBtn;
    using enum TModalResult;
    static constexpr std::pair<TMsgDlgBtn, TModalResult> kPreference[] = {
        {mbCancel, mrCancel},     {mbNo, mrNo},   {mbNoToAll, mrNoToAll}, {mbAbort, mrAbort},
        {mbIgnore, mrIgnore},     {mbOK, mrOk},   {mbRetry, mrRetry},     {mbYes, mrYes},
        {mbYesToAll, mrYesToAll}, {mbAll, mrAll},
    };
    for (const auto& [button, result] : kPreference) {
        if (buttons.Contains(button)) return result;
    }
    return mrCancel;
}

TModalResult AskUser(const std::string& text, const std::string& caption, TMsgDlgType type,
                     TMsgDlgButtons buttons) {
    auto messageBox = Answerer().messageBox;
    if (!messageBox) return CautiousAnswer(buttons);
    return messageBox(ModalQuestion{text, caption, type, buttons});
}

bool AskText(const std::string& caption, const std::string& prompt, std::string& value) {
    auto inputQuery = Answerer().inputQuery;
    if (!inputQuery) return false;
    return inputQuery(caption, prompt, value);
}

ModalAnswerer SetModalAnswerer(ModalAnswerer answerer) {
    return std::exchange(Answerer(), std::move(answerer));
}

}  // namespace kiv
