// The installer's own questions beyond message boxes: where a missing volume went, and the
// password of an encrypted entry. Tests answer them in place of the dialogs on screen.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kiv {

struct InstallerQuestions {
    // A file dialog that starts in `folder` and names `volume`; the chosen file, or nullopt when
    // the user cancels.
    std::function<std::optional<std::string>(const std::string& folder, const std::string& volume)>
        locateVolume;
    // A masked input box naming `entry`; the password, or nullopt when the user cancels.
    std::function<std::optional<std::string>(const std::string& entry)> password;
};

// The questions asked with dialogs on screen.
InstallerQuestions ScreenQuestions();

}  // namespace kiv
