#pragma once

#include <QString>
#include <vector>

// A Windows-style ini file: sections and keys compared without regard to
// case, the first of repeated keys wins, values trimmed and unquoted.
// Lines it does not understand are kept as they are when the file is saved.
class IniFile
{
public:
    // A missing file loads as empty; garbage lines are ignored for reading.
    // A file that exists but cannot be read throws FileError.
    static IniFile load(const QString& path);

    bool exists() const { return m_existed; }
    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;
    // Integer as the Windows reader takes it: optional sign and leading digits, else the fallback.
    int intValue(const QString& section, const QString& key, int fallback) const;
    bool boolValue(const QString& section, const QString& key, bool fallback) const;

    void setValue(const QString& section, const QString& key, const QString& value);
    void setInt(const QString& section, const QString& key, int value)
    {
        setValue(section, key, QString::number(value));
    }
    void setBool(const QString& section, const QString& key, bool value)
    {
        setValue(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
    }

    // Atomic replacement; throws FileError.
    void save(const QString& path) const;

private:
    struct Line
    {
        QString raw;
        QString key; // empty for comments and garbage
        QString value;
    };
    struct Section
    {
        QString name; // empty for the lines before the first section
        std::vector<Line> lines;
    };

    const Line* find(const QString& section, const QString& key) const;
    Section& sectionFor(const QString& section);

    std::vector<Section> m_sections;
    bool m_existed = false;
    bool m_crlf = false;
};
