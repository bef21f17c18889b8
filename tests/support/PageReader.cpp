#include "PageReader.h"

#include <QFile>

PageReader::PageReader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read ") + path;
        return;
    }
    m_bytes = file.readAll();
    QString message;
    int line = 0;
    int column = 0;
    if (!m_doc.setContent(m_bytes, &message, &line, &column))
        m_error = QStringLiteral("%1 at %2:%3").arg(message).arg(line).arg(column);
}

QList<QDomElement> PageReader::all(const QString& tag) const
{
    QList<QDomElement> list;
    const QDomNodeList nodes = m_doc.elementsByTagName(tag);
    for (int i = 0; i < nodes.size(); ++i)
        list << nodes.at(i).toElement();
    return list;
}

QStringList PageReader::attributeNames() const
{
    QStringList names;
    const QDomNodeList nodes = m_doc.elementsByTagName(QStringLiteral("*"));
    for (int i = 0; i < nodes.size(); ++i) {
        const QDomNamedNodeMap attributes = nodes.at(i).attributes();
        for (int k = 0; k < attributes.size(); ++k)
            names << attributes.item(k).nodeName().toLower();
    }
    return names;
}

namespace {
void collectComments(const QDomNode& node, QList<QDomNode>& into)
{
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isComment())
            into << child;
        collectComments(child, into);
    }
}
} // namespace

QStringList PageReader::sections() const
{
    QList<QDomNode> comments;
    collectComments(m_doc, comments);
    QStringList names;
    for (const QDomNode& c : comments)
        names << c.toComment().data().trimmed();
    return names;
}

QList<QDomElement> PageReader::section(const QString& name) const
{
    QList<QDomNode> comments;
    collectComments(m_doc, comments);
    QList<QDomElement> elements;
    for (const QDomNode& c : comments) {
        if (c.toComment().data().trimmed() != name)
            continue;
        for (QDomNode n = c.nextSibling(); !n.isNull() && !n.isComment(); n = n.nextSibling())
            if (n.isElement() && n.nodeName() != QLatin1String("br"))
                elements << n.toElement();
        break;
    }
    return elements;
}

QList<QStringList> PageReader::rows(const QDomElement& table)
{
    QList<QStringList> result;
    for (QDomElement tr = table.firstChildElement(QStringLiteral("tr")); !tr.isNull();
         tr = tr.nextSiblingElement(QStringLiteral("tr"))) {
        QStringList cells;
        for (QDomElement td = tr.firstChildElement(QStringLiteral("td")); !td.isNull();
             td = td.nextSiblingElement(QStringLiteral("td")))
            cells << text(td);
        result << cells;
    }
    return result;
}

namespace {
void appendText(const QDomNode& node, QString& out)
{
    for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isText())
            out += child.toText().data();
        else if (child.nodeName() == QLatin1String("br"))
            out += QLatin1Char('|');
        else if (child.isElement())
            appendText(child, out);
    }
}
} // namespace

QString PageReader::text(const QDomNode& node)
{
    QString out;
    appendText(node, out);
    return out.replace(QChar(0xa0), QLatin1Char(' ')).simplified();
}

QList<QStringList> PageReader::sectionRows(const QString& name) const
{
    const QList<QDomElement> elements = section(name);
    for (qsizetype i = 1; i < elements.size(); ++i)
        if (elements[i].nodeName() == QLatin1String("table"))
            return rows(elements[i]);
    return {};
}
