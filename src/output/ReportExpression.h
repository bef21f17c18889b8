#pragma once

#include "ReportData.h"

#include <functional>
#include <map>
#include <optional>
#include <QDate>
#include <QHash>
#include <QString>
#include <vector>

// The texts of a layout: compiled once against the report's data into
// literal runs and what the brackets name ([Dataset."Column"],
// [SUM(Dataset."Column")], [COUNT(Dataset)], [PAGE], [TOTALPAGES], [DATE],
// the caller's variables, each with its "|format"), then evaluated on the
// current rows as the bands are printed.
namespace ReportExpression {

// Stands for the page count until the last page is known.
inline const QString kTotalPagesMark = QStringLiteral("\uE000TP\uE000");

struct FieldRef
{
    const ReportDataSource* source = nullptr; // null: reads empty (a closed dataset)
    int column = -1;
};

struct Token
{
    enum class Kind
    {
        Literal,
        Field,
        Sum,
        Count,
        Constant,
        Page,
        TotalPages
    };
    Kind kind = Kind::Literal;
    QString text; // literal or constant
    FieldRef field;
    QString format;
};

// Answers a variable asked by name (in upper case); nothing when unknown.
using Variables = std::function<std::optional<QString>(const QString& upperName)>;

// Resolves the names a layout's texts use; anything unknown fails the
// preparation of the layout `layoutSource` (ReportError).
class Compiler
{
public:
    Compiler(QString layoutSource, const QHash<QString, const ReportDataSource*>& datasets,
             const Variables& variables, QDate date);

    // The dataset of that name, whatever its case.
    const ReportDataSource* source(const QString& name) const;
    // `Dataset."Column"` or `Dataset.Column`.
    FieldRef fieldOf(const QString& expression) const;
    std::vector<Token> tokens(const QString& text) const;

private:
    FieldRef field(const QString& dataset, const QString& column) const;
    Token token(const QString& inside) const;

    QString m_layoutSource;
    const QHash<QString, const ReportDataSource*>& m_datasets; // by upper-case name
    const Variables& m_variables;
    QDate m_date;
};

// The values of the rows being printed: one current row a dataset, the
// sums of a column over all its rows (computed once).
class Evaluator
{
public:
    void setRow(const ReportDataSource* source, int row) { m_rows[source] = row; }
    ReportValue valueOf(const FieldRef& ref) const;
    ReportValue sumOf(const FieldRef& ref);
    // The text on `page` (from 1); [TOTALPAGES] gives kTotalPagesMark and sets `hasTotal`.
    QString evaluate(const std::vector<Token>& tokens, int page, bool& hasTotal);

private:
    int rowOf(const ReportDataSource* source) const;

    std::map<const ReportDataSource*, int> m_rows;
    std::map<std::pair<const ReportDataSource*, int>, ReportValue> m_sums;
};

} // namespace ReportExpression
