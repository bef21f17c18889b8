#include "TSelectDate.h"

#include "Clock.h"
#include "CommandGuard.h"
#include "Formats.h"
#include "FormWidgets.h"
#include "PickerRules.h"
#include "PickerTarget.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QPushButton* arrowButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap icon)
{
    QPushButton* b = FormWidgets::pictureButton(parent, QString::fromLatin1(name), hint, icon);
    b->setFixedSize(26, 22);
    return b;
}
} // namespace

TSelectDate* TSelectDate::open(QLineEdit* field)
{
    PickerTarget::prepare(field);
    auto* picker = new TSelectDate(field);
    picker->adjustSize();
    const QRect f(field->mapToGlobal(QPoint(0, 0)), field->size());
    const QScreen* screen = field->screen();
    const int screenHeight = screen ? screen->geometry().bottom() + 1 : f.bottom() + picker->height() + 100;
    picker->move(PickerRules::datePickerPosition(f, picker->height(), screenHeight));
    picker->show();
    picker->m_calendar->setFocus();
    return picker;
}

TSelectDate::TSelectDate(QLineEdit* field)
    : QWidget(field, Qt::Popup | Qt::FramelessWindowHint), m_field(field),
      m_calendar(new QCalendarWidget(this)), m_year(new QLabel(this)), m_month(new QLabel(this))
{
    setObjectName(QStringLiteral("SelectDate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("TSelectDate { background: #fffff2; border: 1px solid #6889ce; }"));

    m_calendar->setObjectName(QStringLiteral("Calendar"));
    m_calendar->setNavigationBarVisible(false);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setGridVisible(true);
    m_year->setObjectName(QStringLiteral("Lab_Year"));
    m_month->setObjectName(QStringLiteral("Lab_Month"));
    for (QLabel* l : {m_year, m_month}) {
        QFont bold = l->font();
        bold.setBold(true);
        l->setFont(bold);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(90);
    }

    auto* priorYear =
        arrowButton(this, "Btn_PriorYear", QStringLiteral("Année précédente"), QStyle::SP_ArrowLeft);
    auto* nextYear =
        arrowButton(this, "Btn_NextYear", QStringLiteral("Année suivante"), QStyle::SP_ArrowRight);
    auto* priorMonth =
        arrowButton(this, "Btn_PriorMonth", QStringLiteral("Mois précédent"), QStyle::SP_ArrowLeft);
    auto* nextMonth =
        arrowButton(this, "Btn_NextMonth", QStringLiteral("Mois suivant"), QStyle::SP_ArrowRight);
    connect(priorYear, &QPushButton::clicked, this, &TSelectDate::Btn_PriorYearClick);
    connect(nextYear, &QPushButton::clicked, this, &TSelectDate::Btn_NextYearClick);
    connect(priorMonth, &QPushButton::clicked, this, &TSelectDate::Btn_PriorMonthClick);
    connect(nextMonth, &QPushButton::clicked, this, &TSelectDate::Btn_NextMonthClick);
    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &TSelectDate::showHeader);
    connectCommand(m_calendar, &QCalendarWidget::activated, this, [this] { Btn_OkClick(); });

    auto* header = new QHBoxLayout;
    header->addWidget(priorYear);
    header->addWidget(m_year);
    header->addWidget(nextYear);
    header->addStretch();
    header->addWidget(priorMonth);
    header->addWidget(m_month);
    header->addWidget(nextMonth);

    auto* ok = new QPushButton(QStringLiteral(" &Ok"), this);
    ok->setObjectName(QStringLiteral("Btn_Ok"));
    auto* clear = new QPushButton(style()->standardIcon(QStyle::SP_DialogDiscardButton), QString(), this);
    clear->setObjectName(QStringLiteral("Btn_Clear"));
    clear->setToolTip(QStringLiteral("Effacer la date"));
    clear->setAccessibleName(QStringLiteral("Effacer la date"));
    auto* cancel = new QPushButton(QStringLiteral(" &Annuler"), this);
    cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    // Both write into the field's row, which the database may refuse.
    connectCommand(ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connectCommand(clear, &QPushButton::clicked, this, [this] { Btn_ClearClick(); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(header);
    layout->addWidget(m_calendar);
    layout->addLayout(buttons);

    setDate(PickerRules::startingDate(field->text(), Clock::today()));
}

QDate TSelectDate::date() const
{
    return m_calendar->selectedDate();
}

void TSelectDate::setDate(const QDate& date)
{
    m_calendar->setSelectedDate(date);
    m_calendar->setCurrentPage(date.year(), date.month());
    showHeader();
}

void TSelectDate::moveBy(int months)
{
    // QDate lowers the day to the last day of a shorter target month.
    setDate(date().addMonths(months));
}

void TSelectDate::showHeader()
{
    const QDate d = date();
    m_year->setText(QString::number(d.year()));
    m_month->setText(PickerRules::monthNameInCapitals(d.month()));
    m_calendar->setCurrentPage(d.year(), d.month());
}

void TSelectDate::backToField()
{
    if (m_field) {
        m_field->setFocus();
        m_field->selectAll();
    }
    close();
}

void TSelectDate::Btn_OkClick()
{
    // The picker goes away even when the field refuses the date.
    const auto closing = qScopeGuard([this] { backToField(); });
    if (m_field)
        PickerTarget::write(m_field, date().toString(Formats::shortDate));
}

void TSelectDate::Btn_ClearClick()
{
    const auto closing = qScopeGuard([this] { backToField(); });
    if (m_field)
        PickerTarget::write(m_field, QString());
}
