#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The start-up window; its status label also serves as the progress line
// of the update scripts when the window itself is not shown.
class TSplash : public QWidget
{
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);

    QLabel* info() const { return m_info; }
    QProgressBar* bar() const { return m_bar; }
    void setProgress(int position);
    void setStatus(const QString& text);

private:
    QLabel* m_info;
    QProgressBar* m_bar;
};
