#pragma once

#include "ReportExpression.h"
#include "ReportLayout.h"
#include "ReportTextLayout.h"

#include <memory>
#include <QHash>
#include <QImage>
#include <vector>

// A layout compiled against the report's data: each band with its texts
// compiled and its fonts made, the master and detail bands grouped by
// dataset, the page's own bands apart.
namespace ReportBands {

struct CompiledObject
{
    const ReportObject* object = nullptr;
    std::vector<ReportExpression::Token> tokens;
    const ReportTextLayout::FontInfo* font = nullptr;
    QImage picture;
    ReportExpression::FieldRef pictureField;
};

struct CompiledBand
{
    const ReportBand* band = nullptr;
    std::vector<CompiledObject> objects;
};

// A dataset's bands: its header, its data band once a row, its footer, or
// its no-data band; a master's details under each of its rows.
struct Block
{
    QString dataset;
    const ReportDataSource* source = nullptr; // none: one row without data
    const CompiledBand* header = nullptr;
    const CompiledBand* data = nullptr;
    const CompiledBand* footer = nullptr;
    const CompiledBand* noData = nullptr;
    std::vector<Block> details;
};

struct CompiledLayout
{
    ReportTextLayout::Fonts fonts;
    std::vector<std::unique_ptr<CompiledBand>> bands; // every band, which the others point into
    const CompiledBand* pageHeader = nullptr;
    const CompiledBand* pageFooter = nullptr;
    const CompiledBand* title = nullptr;
    const CompiledBand* summary = nullptr;
    std::vector<Block> masters;
};

// The layout's bands in their blocks; a band out of place (a second page
// header, a footer without its data) or a name the data do not have fails
// the preparation (ReportError). The layout and `pictures` outlive the result.
CompiledLayout compile(const ReportLayout& layout, const ReportExpression::Compiler& expressions,
                       const QHash<QString, QImage>& pictures);

} // namespace ReportBands
