#include "BackgroundRecognition.h"

#include "Connection.h"
#include "Errors.h"
#include "StoredFiles.h"
#include "Transaction.h"

#include <QFileInfo>

RecognitionWorker::~RecognitionWorker() = default;

void RecognitionWorker::read(const RecognitionJob& job)
{
    if (!m_recognizer) {
        m_recognizer = std::make_unique<TextRecognizer>();
        if (!m_recognizer->isReady()) {
            emit unavailable(m_recognizer->problem());
            return;
        }
    }
    if (!m_recognizer->isReady())
        return;
    const DocumentReader::Reading reading =
        job.document.kind == DocumentTexts::Kind::Picture
            ? DocumentReader::readPicture(job.file, *m_recognizer, m_stop)
            : DocumentReader::readAttachedFile(job.file, job.document.fileName, *m_recognizer, m_stop);
    if (!m_stop.load())
        emit readingDone(job, reading);
}

BackgroundRecognition::BackgroundRecognition(const QString& databaseFolder, QObject* parent)
    : QObject(parent), m_databaseFolder(databaseFolder)
{
    m_thread.setObjectName(QStringLiteral("brivoline-recognition"));
    m_worker = new RecognitionWorker(m_stop);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &RecognitionWorker::readingDone, this, &BackgroundRecognition::accept);
    connect(m_worker, &RecognitionWorker::unavailable, this, [this](const QString& problem) {
        m_busy = false;
        m_queue.clear();
        m_timer.stop();
        if (!std::exchange(m_unavailable, true))
            emit unavailable(problem);
    });
    connect(&m_timer, &QTimer::timeout, this, &BackgroundRecognition::lookNow);
    m_thread.start(QThread::LowPriority);
}

BackgroundRecognition::~BackgroundRecognition()
{
    m_stop = true; // Tesseract stops at its next word
    m_thread.quit();
    m_thread.wait();
}

void BackgroundRecognition::start(int intervalMs)
{
    m_timer.start(intervalMs);
    lookNow();
}

void BackgroundRecognition::cancel()
{
    if (!Connection::isOpen())
        return;
    m_pictureFloor = DocumentTexts::latestId(DocumentTexts::Kind::Picture);
    m_fileFloor = DocumentTexts::latestId(DocumentTexts::Kind::File);
    m_queue.clear();
    m_done = 0;
    emit idle();
}

void BackgroundRecognition::lookNow()
{
    if (m_busy || m_unavailable || !Connection::isOpen() || Transaction::isRunning())
        return;
    if (m_queue.isEmpty()) {
        try {
            m_queue = DocumentTexts::pending(m_pictureFloor, m_fileFloor);
        } catch (const AppError&) {
            return; // the database is busy or closing: the next look tries again
        }
        if (m_queue.isEmpty()) {
            if (std::exchange(m_done, 0) > 0)
                emit idle();
            return;
        }
    }
    sendNext();
}

RecognitionJob BackgroundRecognition::jobFor(const DocumentTexts::Pending& document) const
{
    RecognitionJob job;
    job.document = document;
    job.file = document.kind == DocumentTexts::Kind::Picture
                   ? StoredFiles::documentPicture(m_databaseFolder, document.id)
                   : StoredFiles::attachedFile(m_databaseFolder, document.id);
    const QFileInfo info(job.file);
    if (info.exists()) {
        job.size = info.size();
        job.modified = info.lastModified();
    }
    return job;
}

void BackgroundRecognition::sendNext()
{
    if (m_queue.isEmpty())
        return;
    const RecognitionJob job = jobFor(m_queue.takeFirst());
    m_busy = true;
    emit progressChanged(m_done, total());
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, job] { worker->read(job); }, Qt::QueuedConnection);
}

void BackgroundRecognition::accept(const RecognitionJob& job, const DocumentReader::Reading& reading)
{
    m_busy = false;
    // The file read must still be the document's: a rotation, a restore or
    // a new picture since then makes the reading worthless.
    const QFileInfo now(job.file);
    const bool sameFile =
        now.exists() ? now.size() == job.size && now.lastModified() == job.modified : job.size < 0;
    if (sameFile && Connection::isOpen() && !Transaction::isRunning()) {
        try {
            DocumentTexts::store(job.document.kind, job.document.id, reading.state, reading.content,
                                 reading.note);
        } catch (const AppError&) {
            // Left waiting: read again on a later look.
        }
    }
    ++m_done;
    emit progressChanged(m_done, total());
    if (m_queue.isEmpty())
        lookNow();
    else if (Connection::isOpen())
        sendNext();
}
