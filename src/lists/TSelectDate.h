#pragma once

#include <QPointer>
#include <QWidget>

class QCalendarWidget;
class QLabel;
class QLineEdit;

// The date picker that opens under a date field: a month calendar with
// year and month buttons. Confirming writes the date dd/mm/yyyy into the
// field; clearing empties it; Escape or a click elsewhere leaves it as it was.
class TSelectDate : public QWidget
{
    Q_OBJECT
public:
    // Opens the picker for the field; it frees itself when closed.
    static TSelectDate* open(QLineEdit* field);

    QDate date() const;
    void setDate(const QDate& date);

private:
    // The buttons' handlers, under the buttons' design names.
    void Btn_PriorYearClick() { moveBy(-12); }
    void Btn_NextYearClick() { moveBy(12); }
    void Btn_PriorMonthClick() { moveBy(-1); }
    void Btn_NextMonthClick() { moveBy(1); }
    void Btn_OkClick();
    void Btn_ClearClick();

    explicit TSelectDate(QLineEdit* field);
    void moveBy(int months);
    void showHeader();
    void backToField();

    QPointer<QLineEdit> m_field;
    QCalendarWidget* m_calendar;
    QLabel* m_year;
    QLabel* m_month;
};
