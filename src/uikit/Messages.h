#pragma once

#include <functional>
#include <QList>
#include <QString>

// Every message box of the program goes through here, so tests (and a
// process started by a test) answer them without a person.
namespace Messages {

enum class Icon
{
    None,
    Information,
    Warning,
    Error,
    Question
};
enum class Answer
{
    Ok,
    Yes,
    No
};

struct Message
{
    Icon icon;
    QString text;
    bool yesNo;
};

// Shows a modal box; "\r" in a text is a line break.
Answer show(Icon icon, const QString& text, bool yesNo = false);
inline void plain(const QString& text)
{
    show(Icon::None, text);
}
inline void information(const QString& text)
{
    show(Icon::Information, text);
}
inline void warning(const QString& text)
{
    show(Icon::Warning, text);
}
inline void error(const QString& text)
{
    show(Icon::Error, text);
}
inline bool ask(const QString& text)
{
    return show(Icon::Question, text, true) == Answer::Yes;
}

// Replaces the boxes by a handler (tests); an empty handler restores them.
using Handler = std::function<Answer(const Message&)>;
void setHandler(Handler handler);

// Records every message and answers from a queue (Yes, then Ok, when empty).
class Recorder
{
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void queueAnswer(Answer answer) { m_answers << answer; }
    const QList<Message>& messages() const { return m_messages; }
    QStringList texts() const;
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    QList<Answer> m_answers;
};

// When the environment variable BRIVOLINE_MESSAGE_LOG names a file, a
// process appends each message to it instead of showing it and answers Ok
// (Yes to questions): how tests drive the program as a separate process.
void installLogHandlerFromEnvironment();

QString displayText(const QString& text); // "\r" turned into line breaks

} // namespace Messages
