#include "ReportEngine.h"

#include "ReportPaginator.h"

Report::Report(ReportLayout layout) : m_layout(std::move(layout)) {}

void Report::addDataset(const QString& name, const ReportDataSource* source)
{
    m_datasets.insert(name.toUpper(), source);
}

void Report::setPicture(const QString& name, const QImage& picture)
{
    m_pictures.insert(name.toUpper(), picture);
}

PreparedReport Report::prepare(const PreparedReport::Progress& progress) const
{
    return paginate(*this, progress);
}
