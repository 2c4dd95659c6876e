#pragma once

#include <QWidget>

#include <stdexcept>
#include <string>

namespace quarlo::test {

// The control of the name among the widget's children. Throws when there is none, so that a
// test looking for a control the dialog lacks fails instead of crashing.
template <class T> T& child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        throw std::runtime_error(std::string("no control ") + name);
    return *found;
}

// Clicks the button of the name near its left end: a wide check box or choice ignores clicks
// to the right of its text.
void click(QWidget& parent, const char* name);

} // namespace quarlo::test
