#pragma once

#include "PreparedReport.h"
#include "ReportBands.h"
#include "ReportExpression.h"

#include <vector>

// One band made into the items of a page, its texts evaluated on the rows
// being printed.
namespace ReportBandLayout {

struct LaidBand
{
    qreal height = 0;
    std::vector<PreparedItem> items;   // relative to the band's top-left corner
    std::vector<size_t> withPageCount; // items that show [TOTALPAGES]
};

// The band as printed on page `page` (from 1): a growing text pushes the
// band's bottom down, and whatever reached that bottom follows it; a band
// taller than `maxHeight` is cut there, its texts clipped in their boxes.
LaidBand lay(const ReportBands::CompiledBand& band, qreal maxHeight, ReportExpression::Evaluator& values,
             int page);

} // namespace ReportBandLayout
