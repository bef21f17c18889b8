#include "PersonListModel.h"

#include "AppIcon.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Dataset.h"
#include "Errors.h"
#include "ImageError.h"
#include "ImageTransforms.h"
#include "TDataModule1.h"

#include <algorithm>
#include <QCollator>

QImage PersonListModel::thumbnailFrom(const QByteArray& smallPhoto)
{
    static const QImage silhouette = [] {
        Bitmap fitted;
        ShrinkToBox(fitted, fromQImage(AppIcon::silhouette(115)), kThumbnailSide, kThumbnailSide);
        return toQImage(fitted);
    }();
    if (smallPhoto.isEmpty())
        return silhouette;
    try {
        Bitmap fitted;
        ShrinkToBox(fitted, BmpFormat::decode(smallPhoto), kThumbnailSide, kThumbnailSide);
        return toQImage(fitted);
    } catch (const ImageError&) {
        // A damaged small photo must not keep the person out of the list.
        return silhouette;
    }
}

int PersonListModel::rebuild(int id)
{
    Dataset persons(QStringLiteral("PersonList"));
    // The columns the list shows, none of the pictures: the list is read
    // again after every save of a person.
    persons.setSql(QStringLiteral("SELECT Id, Name, ForeName, [No], BirthDay_Date, BirthDay_Time, Blood "
                                  "FROM PERSON ORDER BY NAME, FORENAME"));
    persons.open();
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(persons.recordCount()));
    const int fId = persons.fieldIndex(QStringLiteral("Id"));
    const int fName = persons.fieldIndex(QStringLiteral("Name"));
    const int fForeName = persons.fieldIndex(QStringLiteral("ForeName"));
    const int fNo = persons.fieldIndex(QStringLiteral("No"));
    const int fDate = persons.fieldIndex(QStringLiteral("BirthDay_Date"));
    const int fTime = persons.fieldIndex(QStringLiteral("BirthDay_Time"));
    const int fBlood = persons.fieldIndex(QStringLiteral("Blood"));
    for (int row = 0; row < persons.recordCount(); ++row) {
        Entry e;
        e.id = persons.fieldAt(row, fId).asInteger();
        e.name = persons.fieldAt(row, fName).asString();
        e.foreName = persons.fieldAt(row, fForeName).asString();
        e.number = persons.fieldAt(row, fNo).asString();
        e.birthDate = persons.fieldAt(row, fDate).asString();
        e.birthTime = persons.fieldAt(row, fTime).asString();
        e.blood = persons.fieldAt(row, fBlood).asString();
        entries.push_back(std::move(e));
    }
    persons.close();
    // The engine orders texts by their codes, which puts "Élise" after
    // "Zoé"; the list keeps the name-then-first-name order the French way.
    QCollator collator(QLocale(QLocale::French, QLocale::France));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(), [&collator](const Entry& a, const Entry& b) {
        const int byName = collator.compare(a.name, b.name);
        return byName != 0 ? byName < 0 : collator.compare(a.foreName, b.foreName) < 0;
    });

    beginResetModel();
    m_entries = std::move(entries);
    // A photo chosen or deleted rebuilds the list: every thumbnail is read anew.
    m_thumbnails.clear();
    endResetModel();
    const int row = rowOf(id);
    return row < 0 ? 0 : row;
}

QImage PersonListModel::thumbnail(int id) const
{
    if (const QImage* kept = m_thumbnails.object(id))
        return *kept;
    QByteArray smallPhoto;
    try {
        smallPhoto = TDataModule1::smallPhoto(id);
    } catch (const AppError&) {
        // Asked while the list is drawn, where no message can be shown: a
        // row that cannot be read shows the silhouette (a damaged page is
        // remembered by the connection, so the next start checks the file).
    }
    auto* fitted = new QImage(thumbnailFrom(smallPhoto));
    const QImage shown = *fitted;
    m_thumbnails.insert(id, fitted);
    return shown;
}

int PersonListModel::rowOf(int id) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].id == id)
            return static_cast<int>(i);
    return -1;
}

int PersonListModel::idAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_entries.at(static_cast<size_t>(row)).id : -1;
}

int PersonListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant PersonListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Entry& e = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return (e.name + QLatin1Char(' ') + e.foreName).trimmed();
    case IdRole:
        return e.id;
    case NameRole:
        return e.name;
    case ForeNameRole:
        return e.foreName;
    case NumberRole:
        return e.number;
    case ThumbnailRole:
        return thumbnail(e.id);
    default:
        return {};
    }
}
