#pragma once

#include <QWidget>

class BackgroundRecognition;
class QLabel;
class QProgressBar;
class QToolButton;

// The main window's status-line piece of the background recognition: its
// progress while documents are read, a button that stops the pass over the
// documents already stored, and the list of the documents without text.
// The message of a recognition that cannot run is shown once.
class RecognitionStatus : public QWidget
{
    Q_OBJECT
public:
    RecognitionStatus(BackgroundRecognition& recognition, QWidget* parent = nullptr);

    QProgressBar* bar() const { return m_bar; }
    QToolButton* stopButton() const { return m_stop; }
    QToolButton* listButton() const { return m_list; }

public slots:
    void Btn_Recognition_ListClick();

private:
    void showProgress(int done, int total);

    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_list = nullptr;
};
