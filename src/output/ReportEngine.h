#pragma once

#include "PreparedReport.h"
#include "ReportData.h"
#include "ReportExpression.h"
#include "ReportLayout.h"

#include <functional>
#include <optional>
#include <QDate>
#include <QHash>
#include <QImage>

// The banded report engine: a layout, the named datasets and variables it
// draws from, and the pictures put into its picture objects; prepare()
// lays the bands out on pages. The texts are compiled and evaluated in
// ReportExpression, measured and broken into lines in ReportTextLayout,
// the bands compiled in ReportBands and laid out in ReportBandLayout, the
// pages made in ReportPaginator.
//
// Texts hold fields in brackets: [Dataset."Column"], [SUM(Dataset."Column")],
// [COUNT(Dataset)], the engine's variables [PAGE], [TOTALPAGES] and [DATE],
// and the caller's variables ([TITLE]); "|format" after the name formats the
// value (formatReportValue).
// A row is never cut by a page break; a header with repeat="true" is
// printed again at the top of the pages its rows continue on.
class Report
{
public:
    // Answers a variable asked by name (in upper case); nothing when unknown.
    using Variables = ReportExpression::Variables;

    explicit Report(ReportLayout layout);

    const ReportLayout& layout() const { return m_layout; }
    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }
    // The source must outlive prepare(); names compare without regard to case.
    void addDataset(const QString& name, const ReportDataSource* source);
    void setVariables(Variables variables) { m_variables = std::move(variables); }
    // Puts the picture into every picture object of that name.
    void setPicture(const QString& name, const QImage& picture);
    // The date [DATE] prints; today by default.
    void setDate(const QDate& date) { m_date = date; }

    // Throws ReportError naming the layout for a dataset, field or variable
    // it does not know.
    PreparedReport prepare(const PreparedReport::Progress& progress = {}) const;

private:
    friend class ReportPaginator; // ReportPaginator.cpp
    ReportLayout m_layout;
    QString m_title;
    QHash<QString, const ReportDataSource*> m_datasets; // by upper-case name
    QHash<QString, QImage> m_pictures;                  // by upper-case name
    Variables m_variables;
    QDate m_date;
};
