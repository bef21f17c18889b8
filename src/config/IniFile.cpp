#include "IniFile.h"

#include "FileUtils.h"
#include "TextFiles.h"

IniFile IniFile::load(const QString& path)
{
    IniFile ini;
    const QString text = TextFiles::read(path, &ini.m_existed);
    ini.m_crlf = text.contains(QLatin1String("\r\n"));
    ini.m_sections.push_back({});
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& raw = lines.at(i);
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // the final line end
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            ini.m_sections.push_back({trimmed.mid(1, trimmed.size() - 2).trimmed(), {}});
            continue;
        }
        Line line{raw, {}, {}};
        const qsizetype eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.key = raw.left(eq).trimmed();
            QString value = raw.mid(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            line.value = value;
        }
        ini.m_sections.back().lines.push_back(line);
    }
    return ini;
}

const IniFile::Line* IniFile::find(const QString& section, const QString& key) const
{
    for (const Section& s : m_sections) {
        if (s.name.isEmpty() || s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Line& l : s.lines)
            if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0)
                return &l;
    }
    return nullptr;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return find(section, key) != nullptr;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const
{
    const Line* l = find(section, key);
    return l ? l->value : fallback;
}

int IniFile::intValue(const QString& section, const QString& key, int fallback) const
{
    const Line* l = find(section, key);
    if (!l)
        return fallback;
    const QString& v = l->value;
    qsizetype end = (v.startsWith(QLatin1Char('-')) || v.startsWith(QLatin1Char('+'))) ? 1 : 0;
    const qsizetype digitsStart = end;
    while (end < v.size() && v.at(end).isDigit() && v.at(end).unicode() < 128)
        ++end;
    if (end == digitsStart)
        return fallback;
    bool ok = false;
    const int n = v.left(end).toInt(&ok);
    return ok ? n : fallback;
}

bool IniFile::boolValue(const QString& section, const QString& key, bool fallback) const
{
    return intValue(section, key, fallback ? 1 : 0) != 0;
}

IniFile::Section& IniFile::sectionFor(const QString& section)
{
    for (Section& s : m_sections)
        if (!s.name.isEmpty() && s.name.compare(section, Qt::CaseInsensitive) == 0)
            return s;
    m_sections.push_back({section, {}});
    return m_sections.back();
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    Section& s = sectionFor(section);
    for (Line& l : s.lines) {
        if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0) {
            l.value = value;
            l.raw = l.key + QLatin1Char('=') + value;
            return;
        }
    }
    // New keys go after the section's last entry, before trailing blank lines.
    auto at = s.lines.end();
    while (at != s.lines.begin() && std::prev(at)->raw.trimmed().isEmpty())
        --at;
    s.lines.insert(at, Line{key + QLatin1Char('=') + value, key, value});
}

void IniFile::save(const QString& path) const
{
    const QByteArray eol = m_crlf ? "\r\n" : "\n";
    QByteArray bytes;
    for (const Section& s : m_sections) {
        if (!s.name.isEmpty()) {
            if (!bytes.isEmpty() && !bytes.endsWith(eol + eol))
                bytes += eol;
            bytes += '[' + s.name.toUtf8() + ']' + eol;
        }
        for (const Line& l : s.lines)
            bytes += l.raw.toUtf8() + eol;
    }
    FileUtils::writeFileAtomically(path, bytes);
}
