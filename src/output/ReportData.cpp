#include "ReportData.h"

#include "Formats.h"
#include "NumberFormat.h"

#include <QLocale>

ReportValue ReportValue::ofText(const QString& text)
{
    ReportValue v;
    v.kind = text.isEmpty() ? Kind::Empty : Kind::Text;
    v.text = text;
    return v;
}

ReportValue ReportValue::ofNumber(double number)
{
    ReportValue v;
    v.kind = Kind::Number;
    v.number = number;
    return v;
}

ReportValue ReportValue::ofMoney(Money::Amount amount)
{
    ReportValue v;
    v.kind = Kind::Money;
    v.money = amount;
    return v;
}

ReportValue ReportValue::ofDate(const QDate& date)
{
    ReportValue v;
    v.kind = date.isValid() ? Kind::Date : Kind::Empty;
    v.date = date;
    return v;
}

ReportValue ReportValue::ofBoolean(bool flag)
{
    ReportValue v;
    v.kind = Kind::Boolean;
    v.flag = flag;
    return v;
}

ReportValue ReportValue::ofBytes(const QByteArray& bytes)
{
    ReportValue v;
    v.kind = bytes.isEmpty() ? Kind::Empty : Kind::Bytes;
    v.bytes = bytes;
    return v;
}

namespace {
bool isMoneyFormat(const QString& format)
{
    return format.compare(QLatin1String("money"), Qt::CaseInsensitive) == 0;
}
} // namespace

QString formatReportValue(const ReportValue& value, const QString& format)
{
    using Kind = ReportValue::Kind;
    switch (value.kind) {
    case Kind::Empty:
    case Kind::Bytes:
        return {};
    case Kind::Text:
        return value.text;
    case Kind::Number:
    case Kind::Money: {
        const double number = value.kind == Kind::Money ? value.money.toDouble() : value.number;
        if (isMoneyFormat(format) || (format.isEmpty() && value.kind == Kind::Money))
            return NumberFormat::formatFloat(Money::displayFormat(), number);
        if (format.isEmpty())
            return NumberFormat::plain(number);
        return NumberFormat::formatFloat(format, number);
    }
    case Kind::Date:
        if (format.isEmpty())
            return value.date.toString(Formats::shortDate);
        return QLocale(QLocale::French, QLocale::France).toString(value.date, format);
    case Kind::Boolean: {
        const QStringList texts = format.split(QLatin1Char(';'));
        if (texts.size() == 2)
            return value.flag ? texts.at(0) : texts.at(1);
        return value.flag ? QStringLiteral("Oui") : QStringLiteral("Non");
    }
    }
    return {};
}

int ReportTable::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

ReportValue ReportTable::value(int row, int column) const
{
    const auto& values = m_rows.at(static_cast<size_t>(row));
    return column >= 0 && static_cast<size_t>(column) < values.size() ? values[static_cast<size_t>(column)]
                                                                      : ReportValue{};
}
