#pragma once

#include "DocumentReader.h"
#include "DocumentTexts.h"

#include <atomic>
#include <memory>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QThread>
#include <QTimer>

// One document to read, as the worker gets it: files only, never the database.
struct RecognitionJob
{
    DocumentTexts::Pending document;
    QString file;     // the stored JPEG or the attached file's archive
    qint64 size = -1; // the file as it was when the job was made
    QDateTime modified;
};

// Runs on the recognition thread: reads one document after the other.
class RecognitionWorker : public QObject
{
    Q_OBJECT
public:
    explicit RecognitionWorker(std::atomic_bool& stop) : m_stop(stop) {}
    ~RecognitionWorker() override;

    void read(const RecognitionJob& job);

signals:
    void readingDone(const RecognitionJob& job, const DocumentReader::Reading& reading);
    void unavailable(const QString& problem);

private:
    std::atomic_bool& m_stop;
    std::unique_ptr<TextRecognizer> m_recognizer; // made on the thread that uses it
};

// Reads the text of every document that has none yet, on a thread of its
// own, so the window never waits: the documents already stored (once; a
// restart or a kill goes on where it stopped, since each reading is stored
// as it comes), and those added, scanned or rotated later, found by a look
// every few seconds. The database is reached on the program's connection
// only, on the thread that owns it: the worker gets file names and gives
// text back, which is stored only when the file is still the one read and
// the document still waits. While the connection is closed (backup,
// restore, compaction) or a transaction runs, nothing is stored: the
// document is read again later.
class BackgroundRecognition : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundRecognition(const QString& databaseFolder, QObject* parent = nullptr);
    ~BackgroundRecognition() override;

    // Starts looking for documents; `interval` between two looks when idle.
    void start(int intervalMs = 3000);
    // Stops the pass over the documents there now (until the next start);
    // documents added later are still read.
    void cancel();

    int done() const { return m_done; }
    int total() const { return m_done + static_cast<int>(m_queue.size()) + (m_busy ? 1 : 0); }
    bool isBusy() const { return m_busy || !m_queue.isEmpty(); }

    // Looks for waiting documents now and sends the next one to the worker.
    void lookNow();

signals:
    void progressChanged(int done, int total);
    // Everything found was read; the progress starts again from zero.
    void idle();
    // Recognition cannot run (the language data is missing): said once.
    void unavailable(const QString& problem);

private:
    RecognitionJob jobFor(const DocumentTexts::Pending& document) const;
    void sendNext();
    void accept(const RecognitionJob& job, const DocumentReader::Reading& reading);

    QString m_databaseFolder;
    std::atomic_bool m_stop{false};
    QThread m_thread;
    RecognitionWorker* m_worker = nullptr;
    QTimer m_timer;
    QList<DocumentTexts::Pending> m_queue;
    bool m_busy = false;
    bool m_unavailable = false;
    int m_done = 0;
    int m_pictureFloor = -1;
    int m_fileFloor = -1;
};
