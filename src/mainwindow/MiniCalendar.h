#pragma once

#include <QWidget>

// A calendar leaf: today's day of the month in red above the month's first
// three French letters. It only shows; it takes no click.
class MiniCalendar : public QWidget
{
    Q_OBJECT
public:
    explicit MiniCalendar(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {64, 64}; }
    static QString monthAbbreviation(const QDate& date);

protected:
    void paintEvent(QPaintEvent* event) override;
};
