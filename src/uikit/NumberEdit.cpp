#include "NumberEdit.h"

#include <QValidator>

namespace {

class WholeNumber : public QValidator
{
public:
    WholeNumber(int maximum, QObject* parent) : QValidator(parent), m_maximum(maximum) {}

    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        for (const QChar c : input)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        bool ok = false;
        const qlonglong value = input.toLongLong(&ok);
        return ok && value <= m_maximum ? Acceptable : Invalid;
    }

private:
    int m_maximum;
};

} // namespace

NumberEdit::NumberEdit(int maximum, int maxLength, QWidget* parent) : QLineEdit(parent), m_maximum(maximum)
{
    setMaxLength(maxLength);
    setValidator(new WholeNumber(maximum, this));
    setAlignment(Qt::AlignRight);
}

int NumberEdit::value() const
{
    return text().toInt();
}

void NumberEdit::setValue(int value)
{
    setText(QString::number(qBound(0, value, m_maximum)));
}
