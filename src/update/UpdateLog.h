#pragma once

#include <QFile>
#include <QString>

// The update log "Maj.Log" of the data folder, kept across runs: one line an
// entry, "dd/mm/yyyy-hh:mm:ss : message"; an empty message adds an empty
// line. Each entry is handed to the system as it is written, so the log of a
// process that was killed says how far it went. A log that cannot be written is not a
// reason to stop an update: the entry is then lost.
class UpdateLog
{
public:
    explicit UpdateLog(const QString& path);
    void write(const QString& message);
    QString path() const { return m_file.fileName(); }

private:
    QFile m_file;
};
