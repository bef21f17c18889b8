#pragma once

#include <functional>
#include <QList>
#include <QString>

// Every open and save dialog of the program goes through here, so tests
// choose a file without a person.
namespace FileDialogs {

struct Request
{
    enum class Mode
    {
        Open,
        Save,
        Folder // an existing folder; fileName proposes one
    };
    Mode mode = Mode::Open;
    QString title;
    QString filter;           // as the program writes them: "Image Jpeg|*.jpg|Tout|*.jpg;*.bmp"
    QString defaultExtension; // without the dot; added to a name typed without one
    QString fileName;         // proposed name, with or without its folder
    bool confirmOverwrite = false;
};

// The chosen path, empty when the user cancelled.
QString choose(const Request& request);

// Qt's form of a "Name|patterns|Name|patterns" filter.
QString qtFilter(const QString& filter);

// Replaces the dialogs by a handler (tests); an empty handler restores them.
using Handler = std::function<QString(const Request&)>;
void setHandler(Handler handler);

// Records every request and answers from a queue (cancel, when empty).
class Recorder
{
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void queueAnswer(const QString& path) { m_answers << path; }
    const QList<Request>& requests() const { return m_requests; }

private:
    QList<Request> m_requests;
    QStringList m_answers;
};

} // namespace FileDialogs
