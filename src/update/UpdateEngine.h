#pragma once

#include "UpdateScript.h"

#include <functional>
#include <QString>

// Where a script runs: the database, its connection and the folders around it.
struct UpdateTarget
{
    QString connectionName; // Qt SQL connection; empty for the program's
    QString programFolder;  // holds Query/ and Stat/
    QString dataFolder;     // holds Maj.Log and Backup/Maj/
    QString databaseFolder; // holds Access/ and Images/
    QString databaseFile;   // the file the connection opens
    // Close and open the connection again (backup, compaction). Throw AppError.
    std::function<void()> closeConnection;
    std::function<void()> openConnection;
};

// The progress window of a script's run; each line of the script is one step.
class UpdateGauge
{
public:
    virtual ~UpdateGauge() = default;
    virtual void start(int lines) = 0;
    virtual void setText(const QString& text) = 0;
    virtual void advance(int lines) = 0;
    virtual void finish() = 0;
};

// Where the time of the picture actions went, summed over a run.
struct PictureTimes
{
    int pictures = 0;      // rows whose picture was worked on
    qint64 decodeNs = 0;   // reading bitmaps (and JPEGs checked again)
    qint64 encodeNs = 0;   // writing JPEGs and bitmaps in memory, resampling
    qint64 filesNs = 0;    // picture files written and forced to the disk
    qint64 databaseNs = 0; // reading the rows, writing them back, committing
};

// Runs update scripts ("*.maj") on a database. Each line is a comment for
// the log "Maj.Log", a guard that tests the database's structure, an END
// that closes a guarded block, or an action. A block whose guard holds runs
// in one transaction, committed at its END (a block that compacts the
// database commits before it), so a process killed in the middle leaves the
// block undone and the next run does it whole. Within it, each action that
// fails is rolled back alone, logged, and the script goes on. No window:
// the one who runs a script gives the progress (UpdateGauge, status texts)
// and the way to ask the user (Run::ask).
class UpdateEngine
{
public:
    explicit UpdateEngine(UpdateTarget target);

    struct Run
    {
        QString folder;   // the script's folder, ending with '/'
        QString fileName; // the script's name in it
        // Offer the compacted backup first (UpdateBackup, asked through
        // `ask`), and delete the script after its run.
        bool withBackup = false;
        // Progress texts for the status line; none when empty.
        std::function<void(const QString&)> status;
        UpdateGauge* gauge = nullptr;
        // Asks the user a yes-or-no question (the backup offer) and returns
        // the answer; without it the answer is no.
        std::function<bool(const QString& question)> ask;
    };
    // Throws UpdateError when the script cannot go on (see UpdateError); the
    // database is then as the script left it, the script file in place and
    // the log says why.
    void run(const Run& run);

    const PictureTimes& pictureTimes() const { return m_times; }
    // The update backups its runs made, in order.
    const QStringList& backups() const { return m_backups; }
    QString logFile() const;

private:
    UpdateTarget m_target;
    PictureTimes m_times;
    QStringList m_backups;
};
