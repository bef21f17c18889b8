#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <vector>

// The household's persons in name order, each with its thumbnail, as the
// person column lists them. A row maps back to its person by its Id. A
// thumbnail is read from its person's row when a row is drawn, and the last
// ones drawn are kept: the list never reads the whole household's pictures.
class PersonListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int kThumbnailSide = 45;
    enum Role
    {
        IdRole = Qt::UserRole + 1,
        NameRole,
        ForeNameRole,
        NumberRole,
        ThumbnailRole
    };

    struct Entry
    {
        int id = 0;
        QString name;
        QString foreName;
        QString number;
        QString birthDate;
        QString birthTime;
        QString blood;
    };

    using QAbstractListModel::QAbstractListModel;

    // Reads every person again (the thumbnails as they are drawn); returns
    // the row of that Id, or 0 when absent.
    int rebuild(int id);
    int rowOf(int id) const;
    int idAt(int row) const;
    const Entry& entry(int row) const { return m_entries.at(static_cast<size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The small photo fitted into 45 x 45, or the silhouette when there is none.
    static QImage thumbnailFrom(const QByteArray& smallPhoto);

private:
    // About three screens of rows.
    static constexpr int kKeptThumbnails = 64;
    QImage thumbnail(int id) const;

    std::vector<Entry> m_entries;
    mutable QCache<int, QImage> m_thumbnails{kKeptThumbnails};
};
