#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quarlo::shell {

// The program's message boxes. Tests replace them with a recorder that answers questions,
// so that no test waits for a modal box.
class Prompts {
public:
    enum class Kind { Error, Warning, Information, Question };
    // The answer to a question (true: Yes); ignored for the other kinds.
    using Handler = std::function<bool(Kind kind, const QString& text)>;

    static void error(QWidget* parent, const QString& text);
    static void warning(QWidget* parent, const QString& text);
    static void information(QWidget* parent, const QString& text);
    // A Yes/No confirmation; true for Yes.
    static bool askYesNo(QWidget* parent, const QString& text);

    // A question with the buttons Yes, No, Cancel and All (yes to this and every later one).
    // A choice handler answers it; else the handler answers Yes or No as for a question.
    enum class Choice { Yes, No, Cancel, All };
    using ChoiceHandler = std::function<Choice(const QString& text)>;
    static Choice askYesNoCancelAll(QWidget* parent, const QString& text);
    static void setChoiceHandler(ChoiceHandler handler);

    // Replaces the message boxes; an empty handler restores them.
    static void setHandler(Handler handler);

private:
    static bool show(QWidget* parent, Kind kind, const QString& text);
};

} // namespace quarlo::shell
