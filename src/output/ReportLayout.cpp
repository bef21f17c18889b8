#include "ReportLayout.h"

#include "ReportError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

namespace {

const QHash<QString, ReportBand::Type>& bandTypes()
{
    using T = ReportBand::Type;
    static const QHash<QString, T> types{{QStringLiteral("pageHeader"), T::PageHeader},
                                         {QStringLiteral("title"), T::Title},
                                         {QStringLiteral("masterHeader"), T::MasterHeader},
                                         {QStringLiteral("masterData"), T::MasterData},
                                         {QStringLiteral("masterFooter"), T::MasterFooter},
                                         {QStringLiteral("detailHeader"), T::DetailHeader},
                                         {QStringLiteral("detailData"), T::DetailData},
                                         {QStringLiteral("detailFooter"), T::DetailFooter},
                                         {QStringLiteral("noData"), T::NoData},
                                         {QStringLiteral("summary"), T::Summary},
                                         {QStringLiteral("pageFooter"), T::PageFooter}};
    return types;
}

// Reads one layout; every fault becomes a ReportError naming the file and
// the line, so a damaged layout never shows a half-built report.
class Parser
{
public:
    Parser(const QByteArray& xml, const QString& source) : m_xml(xml), m_source(source) {}

    ReportLayout run()
    {
        ReportLayout layout;
        layout.source = m_source;
        if (!m_xml.readNextStartElement())
            fail(QStringLiteral("le fichier est vide ou n'est pas un modèle XML"));
        if (m_xml.name() != QLatin1String("report"))
            fail(QStringLiteral("l'élément principal doit être <report>"));
        while (m_xml.readNextStartElement()) {
            const QString name = m_xml.name().toString();
            if (name == QLatin1String("page")) {
                layout.pageSize = {number("width", 210), number("height", 297)};
                layout.margins = {number("left", 10), number("top", 10), number("right", 10),
                                  number("bottom", 10)};
                if (layout.pageSize.width() < 20 || layout.pageSize.height() < 20 ||
                    layout.margins.left() + layout.margins.right() >= layout.pageSize.width() ||
                    layout.margins.top() + layout.margins.bottom() >= layout.pageSize.height())
                    fail(QStringLiteral("la page ou ses marges ont des dimensions impossibles"));
                m_xml.skipCurrentElement();
            } else if (bandTypes().contains(name)) {
                layout.bands.push_back(band(bandTypes().value(name)));
            } else {
                fail(QStringLiteral("élément <%1> inconnu").arg(name));
            }
        }
        check();
        // Whatever follows the root element must be well formed too.
        while (!m_xml.atEnd())
            m_xml.readNext();
        check();
        return layout;
    }

private:
    [[noreturn]] void fail(const QString& why)
    {
        throw ReportError(QStringLiteral("Le modèle d'impression \"%1\" est endommagé (ligne %2) : %3.")
                              .arg(m_source)
                              .arg(m_xml.lineNumber())
                              .arg(why));
    }

    void check()
    {
        if (m_xml.hasError())
            fail(m_xml.errorString());
    }

    QString text(const char* name, const QString& fallback = {}) const
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        const QString key = QString::fromLatin1(name);
        return attributes.hasAttribute(key) ? attributes.value(key).toString() : fallback;
    }

    qreal number(const char* name, qreal fallback)
    {
        const QString value = text(name);
        if (value.isEmpty())
            return fallback;
        bool ok = false;
        const qreal n = value.toDouble(&ok);
        if (!ok || n < -10000 || n > 10000)
            fail(QStringLiteral("la valeur \"%1\" de %2 n'est pas un nombre")
                     .arg(value, QString::fromLatin1(name)));
        return n;
    }

    bool flag(const char* name, bool fallback)
    {
        const QString value = text(name);
        if (value.isEmpty())
            return fallback;
        if (value == QLatin1String("true") || value == QLatin1String("1"))
            return true;
        if (value == QLatin1String("false") || value == QLatin1String("0"))
            return false;
        fail(QStringLiteral("la valeur \"%1\" de %2 doit être true ou false")
                 .arg(value, QString::fromLatin1(name)));
    }

    QColor colour(const char* name, const QColor& fallback)
    {
        const QString value = text(name);
        if (value.isEmpty())
            return fallback;
        const QColor c = QColor::fromString(value);
        if (!c.isValid())
            fail(QStringLiteral("la couleur \"%1\" est inconnue").arg(value));
        return c;
    }

    QRectF box()
    {
        const QRectF r(number("x", 0), number("y", 0), number("w", 0), number("h", 0));
        if (r.width() < 0 || r.height() < 0)
            fail(QStringLiteral("un objet a une largeur ou une hauteur négative"));
        return r;
    }

    int sides(const QString& value)
    {
        int s = 0;
        for (QChar c : value) {
            switch (c.toLatin1()) {
            case 'l':
                s |= ReportFrame::Left;
                break;
            case 't':
                s |= ReportFrame::Top;
                break;
            case 'r':
                s |= ReportFrame::Right;
                break;
            case 'b':
                s |= ReportFrame::Bottom;
                break;
            default:
                fail(QStringLiteral("le cadre \"%1\" n'est pas fait de l, t, r et b").arg(value));
            }
        }
        return s;
    }

    void readFrame(ReportObject& o)
    {
        o.frame.sides = sides(text("frame"));
        o.frame.width = number("frameWidth", 0.2);
        o.frame.color = colour("frameColor", Qt::black);
    }

    Qt::Alignment alignment()
    {
        Qt::Alignment a;
        const QString h = text("align", QStringLiteral("left"));
        if (h == QLatin1String("left"))
            a = Qt::AlignLeft;
        else if (h == QLatin1String("center"))
            a = Qt::AlignHCenter;
        else if (h == QLatin1String("right"))
            a = Qt::AlignRight;
        else
            fail(QStringLiteral("l'alignement \"%1\" est inconnu").arg(h));
        const QString v = text("valign", QStringLiteral("top"));
        if (v == QLatin1String("top"))
            a |= Qt::AlignTop;
        else if (v == QLatin1String("middle"))
            a |= Qt::AlignVCenter;
        else if (v == QLatin1String("bottom"))
            a |= Qt::AlignBottom;
        else
            fail(QStringLiteral("l'alignement vertical \"%1\" est inconnu").arg(v));
        return a;
    }

    ReportObject object(const QString& kind)
    {
        ReportObject o;
        if (kind == QLatin1String("text")) {
            o.kind = ReportObject::Kind::Text;
            o.rect = box();
            o.family = text("family", o.family);
            o.size = number("size", 9);
            if (o.size <= 0 || o.size > 200)
                fail(QStringLiteral("une taille de police doit être comprise entre 0 et 200 points"));
            o.bold = flag("bold", false);
            o.italic = flag("italic", false);
            o.align = alignment();
            o.color = colour("color", Qt::black);
            o.fill = colour("fill", QColor());
            readFrame(o);
            o.padding = number("padding", 0.8);
            o.wrap = flag("wrap", true);
            o.grow = flag("grow", false);
            o.text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            check();
            return o;
        }
        if (kind == QLatin1String("picture")) {
            o.kind = ReportObject::Kind::Picture;
            o.rect = box();
            o.name = text("name");
            o.field = text("field");
            readFrame(o);
        } else if (kind == QLatin1String("line")) {
            o.kind = ReportObject::Kind::Line;
            o.rect =
                QRectF(QPointF(number("x1", 0), number("y1", 0)), QPointF(number("x2", 0), number("y2", 0)));
            o.lineWidth = number("width", 0.2);
            o.color = colour("color", Qt::black);
        } else if (kind == QLatin1String("rect")) {
            o.kind = ReportObject::Kind::Rect;
            o.rect = box();
            o.lineWidth = number("width", 0);
            o.color = colour("color", Qt::black);
            o.fill = colour("fill", QColor());
        } else {
            fail(QStringLiteral("objet <%1> inconnu").arg(kind));
        }
        m_xml.skipCurrentElement();
        check();
        return o;
    }

    ReportBand band(ReportBand::Type type)
    {
        using T = ReportBand::Type;
        ReportBand b;
        b.type = type;
        b.dataset = text("dataset");
        b.height = number("height", 0);
        if (b.height < 0 || b.height > 2000)
            fail(QStringLiteral("une bande a une hauteur impossible"));
        b.repeat = flag("repeat", false);
        b.newPage = flag("newPage", false);
        const bool needsDataset = type == T::MasterHeader || type == T::MasterFooter ||
                                  type == T::DetailHeader || type == T::DetailData ||
                                  type == T::DetailFooter || type == T::NoData;
        if (needsDataset && b.dataset.isEmpty())
            fail(QStringLiteral("la bande <%1> doit nommer son jeu de données (dataset)").arg(m_xml.name()));
        while (m_xml.readNextStartElement())
            b.objects.push_back(object(m_xml.name().toString()));
        check();
        return b;
    }

    QXmlStreamReader m_xml;
    QString m_source;
};
} // namespace

ReportLayout ReportLayout::parse(const QByteArray& xml, const QString& source)
{
    return Parser(xml, source).run();
}

ReportLayout ReportLayout::load(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw ReportError(QStringLiteral("Le modèle d'impression \"%1\" est introuvable.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("Le modèle d'impression \"%1\" ne peut pas être lu.").arg(path));
    return parse(file.readAll(), path);
}

bool ReportLayout::hasPicture(const QString& name) const
{
    for (const ReportBand& band : bands)
        for (const ReportObject& o : band.objects)
            if (o.kind == ReportObject::Kind::Picture && o.name.compare(name, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

QRectF ReportLayout::contentRect() const
{
    return QRectF(QPointF(0, 0), pageSize).marginsRemoved(margins);
}
