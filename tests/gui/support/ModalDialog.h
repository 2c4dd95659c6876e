#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace quarlo::test {

// Acts on the next modal window once its exec() loop runs (the caller then starts the code
// that opens it). The action must close the window; if none appears within the time, the
// flag given is left false.
void whenModalShown(const std::function<void(QWidget& modal)>& act, bool* seen = nullptr,
                    int timeoutMs = 5000);

// Acts on the next modal dialog for which `matches` holds once its exec() loop runs;
// whatever the act leaves open is cancelled, so that a failed check cannot hang the suite.
void whenMatchingDialogShown(const std::function<bool(QWidget& modal)>& matches,
                             const std::function<void(QDialog& dialog)>& act);

// The same for the next dialog of the class.
template <class Dialog> void whenDialogShown(std::function<void(Dialog&)> act) {
    whenMatchingDialogShown([](QWidget& modal) { return qobject_cast<Dialog*>(&modal) != nullptr; },
                            [act](QDialog& dialog) { act(static_cast<Dialog&>(dialog)); });
}

} // namespace quarlo::test
