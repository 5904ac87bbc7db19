// The seam for modal questions: message boxes and the input box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/enum_set.h"

namespace kiv {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn : std::uint8_t {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = EnumSet<TMsgDlgBtn>;
enum class TModalResult {
    mrNone,
    mrOk,
    mrCancel,
    mrAbort,
    mrRetry,
    mrIgnore,
    mrYes,
    mrNo,
    mrAll,
    mrNoToAll,
    mrYesToAll
};

struct ModalQuestion {
    std::string text;
    std::string caption;  // empty: the application's title
    TMsgDlgType type = TMsgDlgType::mtInformation;
    TMsgDlgButtons buttons;
};

// Who answers modal questions. The windowed application connects real dialogs; tests script
// answers. Either function may be empty.
struct ModalAnswerer {
    std::function<TModalResult(const ModalQuestion& question)> messageBox;
    // Shows `value` for editing; true with the edited value on OK, false on Cancel.
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)>
        inputQuery;
};

// Asks the installed answerer; without one, answers with the most cautious of the offered
// buttons (Cancel, No, No to all, Abort, Ignore, OK, Retry, Yes, Yes to all, All, in this order
// of preference; mrCancel when no button is offered). UI thread only.
TModalResult AskUser(const std::string& text, const std::string& caption, TMsgDlgType type,
                     TMsgDlgButtons buttons);
// Asks for a line of text; without an answerer the question counts as cancelled (false) and
// `value` is unchanged.
bool AskText(const std::string& caption, const std::string& prompt, std::string& value);

// Installs the answerer and returns the one it replaces. One of the framework's two global hooks
// (with the process-messages hook of message_pump.h).
ModalAnswerer SetModalAnswerer(ModalAnswerer answerer);

// The most cautious result for a set of buttons, as AskUser answers without an answerer.
TModalResult CautiousAnswer(TMsgDlgButtons buttons);

}  // namespace kiv
