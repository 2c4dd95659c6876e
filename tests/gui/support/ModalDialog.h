#pragma once

#include <functional>

class QWidget;

namespace quarlo::test {

// Acts on the next modal window once its exec() loop runs (the caller then starts the code
// that opens it). The action must close the window; if none appears within the time, the
// flag given is left false.
void whenModalShown(const std::function<void(QWidget& modal)>& act, bool* seen = nullptr,
                    int timeoutMs = 5000);

} // namespace quarlo::test
