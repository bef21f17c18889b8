#pragma once

#include "PreparedReport.h"

class Report;

// Lays the report's bands out on pages: the page header and the repeated
// headers at the top of each page, the page footer at its bottom, each
// master row with its details under it, a row never cut by a page break,
// [TOTALPAGES] filled in once the last page is known.
PreparedReport paginate(const Report& report, const PreparedReport::Progress& progress);
