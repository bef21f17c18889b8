#include "ReportExpression.h"

#include "Clock.h"
#include "ReportError.h"

#include <QRegularExpression>

namespace ReportExpression {

Compiler::Compiler(QString layoutSource, const QHash<QString, const ReportDataSource*>& datasets,
                   const Variables& variables, QDate date)
    : m_layoutSource(std::move(layoutSource)), m_datasets(datasets), m_variables(variables), m_date(date)
{
}

const ReportDataSource* Compiler::source(const QString& name) const
{
    const auto found = m_datasets.constFind(name.toUpper());
    if (found == m_datasets.cend())
        failPreparing(m_layoutSource, QStringLiteral("le jeu de données \"%1\" est inconnu").arg(name));
    return found.value();
}

FieldRef Compiler::field(const QString& dataset, const QString& column) const
{
    FieldRef ref;
    const ReportDataSource* s = source(dataset);
    if (!s->isOpen())
        return ref;
    ref.column = s->columnIndex(column);
    if (ref.column < 0)
        failPreparing(m_layoutSource, QStringLiteral("le champ %1.\"%2\" est inconnu").arg(dataset, column));
    ref.source = s;
    return ref;
}

FieldRef Compiler::fieldOf(const QString& expression) const
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\.\"?([^\"]+)\"?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(expression);
    if (!m.hasMatch())
        failPreparing(m_layoutSource, QStringLiteral("\"%1\" n'est pas un champ").arg(expression));
    return field(m.captured(1), m.captured(2).trimmed());
}

Token Compiler::token(const QString& inside) const
{
    Token t;
    QString expression = inside;
    const qsizetype bar = inside.indexOf(QLatin1Char('|'));
    if (bar >= 0) {
        t.format = inside.mid(bar + 1);
        expression = inside.left(bar);
    }
    expression = expression.trimmed();
    const QString upper = expression.toUpper();
    static const QRegularExpression call(QStringLiteral("^(SUM|COUNT)\\s*\\((.*)\\)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = call.match(expression); m.hasMatch()) {
        if (m.captured(1).toUpper() == QLatin1String("SUM")) {
            t.kind = Token::Kind::Sum;
            t.field = fieldOf(m.captured(2));
        } else {
            t.kind = Token::Kind::Count;
            t.field.source = source(m.captured(2).trimmed());
        }
    } else if (expression.contains(QLatin1Char('.'))) {
        t.kind = Token::Kind::Field;
        t.field = fieldOf(expression);
    } else if (upper == QLatin1String("PAGE")) {
        t.kind = Token::Kind::Page;
    } else if (upper == QLatin1String("TOTALPAGES")) {
        t.kind = Token::Kind::TotalPages;
    } else if (upper == QLatin1String("DATE")) {
        t.kind = Token::Kind::Constant;
        const QDate date = m_date.isValid() ? m_date : Clock::today();
        t.text = formatReportValue(ReportValue::ofDate(date), t.format);
    } else {
        std::optional<QString> value;
        if (m_variables)
            value = m_variables(upper);
        if (!value)
            failPreparing(m_layoutSource, QStringLiteral("la variable [%1] est inconnue").arg(expression));
        t.kind = Token::Kind::Constant;
        t.text = *value;
    }
    return t;
}

std::vector<Token> Compiler::tokens(const QString& text) const
{
    std::vector<Token> all;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('['), at);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char(']'), open);
        if (close < 0)
            failPreparing(m_layoutSource, QStringLiteral("un crochet n'est pas fermé dans \"%1\"").arg(text));
        if (open > at)
            all.push_back({Token::Kind::Literal, text.mid(at, open - at), {}, {}});
        all.push_back(token(text.mid(open + 1, close - open - 1)));
        at = close + 1;
    }
    if (at < text.size())
        all.push_back({Token::Kind::Literal, text.mid(at), {}, {}});
    return all;
}

int Evaluator::rowOf(const ReportDataSource* source) const
{
    const auto found = m_rows.find(source);
    return found == m_rows.end() ? 0 : found->second;
}

ReportValue Evaluator::valueOf(const FieldRef& ref) const
{
    if (!ref.source || ref.source->rowCount() == 0)
        return {};
    return ref.source->value(qMin(rowOf(ref.source), ref.source->rowCount() - 1), ref.column);
}

ReportValue Evaluator::sumOf(const FieldRef& ref)
{
    if (!ref.source)
        return ReportValue::ofNumber(0);
    const auto key = std::make_pair(ref.source, ref.column);
    const auto cached = m_sums.find(key);
    if (cached != m_sums.end())
        return cached->second;
    Money::Amount money;
    double number = 0;
    bool isMoney = false;
    for (int row = 0; row < ref.source->rowCount(); ++row) {
        const ReportValue v = ref.source->value(row, ref.column);
        if (v.kind == ReportValue::Kind::Money) {
            isMoney = true;
            money = money + v.money;
        } else if (v.kind == ReportValue::Kind::Number) {
            number += v.number;
        }
    }
    const ReportValue sum = isMoney ? ReportValue::ofMoney(money + Money::Amount::fromDouble(number))
                                    : ReportValue::ofNumber(number);
    m_sums.emplace(key, sum);
    return sum;
}

QString Evaluator::evaluate(const std::vector<Token>& tokens, int page, bool& hasTotal)
{
    QString text;
    for (const Token& t : tokens) {
        switch (t.kind) {
        case Token::Kind::Literal:
        case Token::Kind::Constant:
            text += t.text;
            break;
        case Token::Kind::Field:
            text += formatReportValue(valueOf(t.field), t.format);
            break;
        case Token::Kind::Sum:
            text += formatReportValue(sumOf(t.field), t.format);
            break;
        case Token::Kind::Count:
            text +=
                QString::number(t.field.source && t.field.source->isOpen() ? t.field.source->rowCount() : 0);
            break;
        case Token::Kind::Page:
            text += QString::number(page);
            break;
        case Token::Kind::TotalPages:
            text += kTotalPagesMark;
            hasTotal = true;
            break;
        }
    }
    return text;
}

} // namespace ReportExpression
