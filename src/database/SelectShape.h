#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What a dataset needs to know about a statement before it runs it: whether
// it is a SELECT, and whether its rows come from one table alone, so that
// they can be changed through that table's rowid.
struct SelectShape
{
    bool isSelect = false;
    // The one table of a statement whose rows can be updated (no join, no
    // grouping, no DISTINCT, no aggregate); empty otherwise.
    QString table;
    // The statement's own texts of the select list and of the FROM clause.
    QString selectList;
    QString fromClause;
    // "Comment1 as [Color]": upper-case alias -> column it renames.
    QHash<QString, QString> aliases;
    // The table (or table alias) each select item is qualified with, empty
    // for an unqualified item; left empty as a whole when an item is a '*'.
    QStringList qualifiers;

    static SelectShape of(const QString& statement);
};

// Adds the table's rowid, under kRowidColumn, as the first column of a
// SELECT statement (given in SQLite's dialect).
QString withRowidColumn(const QString& select);
inline constexpr const char* kRowidColumn = "brivoline_rowid";
