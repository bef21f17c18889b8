#pragma once

#include "Money.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

// One value of a report's data, typed so that the layout can format it.
struct ReportValue
{
    enum class Kind
    {
        Empty,
        Text,
        Number,
        Money,
        Date,
        Boolean,
        Bytes
    };
    Kind kind = Kind::Empty;
    QString text;
    double number = 0;
    Money::Amount money;
    QDate date;
    bool flag = false;
    QByteArray bytes;

    static ReportValue ofText(const QString& text);
    static ReportValue ofNumber(double number);
    static ReportValue ofMoney(Money::Amount amount);
    static ReportValue ofDate(const QDate& date);
    static ReportValue ofBoolean(bool flag);
    static ReportValue ofBytes(const QByteArray& bytes);
};

// The text of a value, with the format a layout gives after "|" in a field:
// none (money in the program's money format, dates dd/mm/yyyy, Yes/No as
// "Oui"/"Non"), "money", a number picture ("#######0.000 kg"), a date
// picture ("d MMMM yyyy", French names), or "yes;no" texts for a Yes/No.
QString formatReportValue(const ReportValue& value, const QString& format);

// A named table of rows the engine reads; column names compare without
// regard to case.
class ReportDataSource
{
public:
    virtual ~ReportDataSource() = default;
    // False for a source that has no rows to give (a closed query): every
    // column then reads empty and the source counts no row.
    virtual bool isOpen() const { return true; }
    virtual int rowCount() const = 0;
    virtual int columnIndex(const QString& name) const = 0; // -1 when absent
    virtual ReportValue value(int row, int column) const = 0;
};

// Rows held in memory: code-built reports and tests.
class ReportTable : public ReportDataSource
{
public:
    explicit ReportTable(QStringList columns) : m_columns(std::move(columns)) {}
    void addRow(std::vector<ReportValue> row) { m_rows.push_back(std::move(row)); }

    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    int columnIndex(const QString& name) const override;
    ReportValue value(int row, int column) const override;

private:
    QStringList m_columns;
    std::vector<std::vector<ReportValue>> m_rows;
};
