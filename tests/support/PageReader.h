#pragma once

#include <QDomDocument>
#include <QList>
#include <QString>
#include <QStringList>

// A page the program wrote, read back as the XML it is meant to be: a
// page that does not parse, or markup where text was expected, shows up
// as an error or as elements of its own.
class PageReader
{
public:
    explicit PageReader(const QString& path);

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    const QByteArray& bytes() const { return m_bytes; }

    // Every element of that tag, in document order.
    QList<QDomElement> all(const QString& tag) const;
    // The attribute names of every element, lower case.
    QStringList attributeNames() const;
    // The texts of the sections' comments, in order.
    QStringList sections() const;
    // The elements that follow a section's comment up to the next comment.
    QList<QDomElement> section(const QString& name) const;
    // The rows of a table (its own, not those of nested tables), each as the texts of its cells.
    static QList<QStringList> rows(const QDomElement& table);
    // The text of an element, non-breaking spaces as blanks, blanks simplified; <br/> as "|".
    static QString text(const QDomNode& node);
    // The rows of the first table of a section after its band: the data table.
    QList<QStringList> sectionRows(const QString& name) const;

private:
    QByteArray m_bytes;
    QDomDocument m_doc;
    QString m_error;
};
