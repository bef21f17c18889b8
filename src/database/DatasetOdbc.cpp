#include "DatasetOdbc.h"

#include "DatasetValues.h"
#include "Formats.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

namespace DatasetOdbc {

bool isOdbc(const QSqlDatabase& db)
{
    return db.driverName() != QLatin1String("QSQLITE");
}

QVariant asSqliteGives(const QVariant& v, Schema::ColumnType type)
{
    using DatasetValues::isInteger;
    using DatasetValues::isNumeric;
    if (DatasetValues::isNull(v))
        return v;
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().date().toString(Formats::isoDate);
    case QMetaType::QDate:
        return v.toDate().toString(Formats::isoDate);
    case QMetaType::QString: {
        bool ok = false;
        if (isInteger(type) || type == Schema::ColumnType::YesNo) {
            const qlonglong n = v.toString().toLongLong(&ok);
            return ok ? QVariant(n) : v;
        }
        if (isNumeric(type)) {
            const double d = v.toString().toDouble(&ok);
            return ok ? QVariant(d) : v;
        }
        return v;
    }
    case QMetaType::Int:
        return static_cast<qlonglong>(v.toInt());
    default:
        return v;
    }
}

qint64 insertedRowid(const QSqlQuery& insert, const QSqlDatabase& db)
{
    if (db.driver()->hasFeature(QSqlDriver::LastInsertId))
        return insert.lastInsertId().toLongLong();
    QSqlQuery last(db);
    return last.exec(QStringLiteral("SELECT last_insert_rowid()")) && last.next() ? last.value(0).toLongLong()
                                                                                  : 0;
}

} // namespace DatasetOdbc
