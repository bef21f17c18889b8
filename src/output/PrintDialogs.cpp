#include "PrintDialogs.h"

#include <QPrintDialog>
#include <QPrinter>

namespace PrintDialogs {
namespace {
Handler& handler()
{
    static Handler h;
    return h;
}
} // namespace

QList<int> Choice::pages(int pageCount, int shown) const
{
    QList<int> list;
    if (range == Range::Selection) {
        if (shown >= 0 && shown < pageCount)
            list << shown;
        return list;
    }
    const int first = range == Range::All ? 1 : qMax(1, from);
    const int last = range == Range::All ? pageCount : qMin(pageCount, to);
    for (int page = first; page <= last; ++page)
        list << page - 1;
    return list;
}

std::optional<Choice> ask(QPrinter& printer, const Request& request, QWidget* parent)
{
    if (handler())
        return handler()(request);
    printer.setPrintRange(request.presetSelection && request.offerSelection ? QPrinter::Selection
                                                                            : QPrinter::AllPages);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimer"));
    dialog.setMinMax(1, qMax(1, request.pageCount));
    dialog.setFromTo(1, qMax(1, request.pageCount));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, request.offerSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    Choice choice;
    switch (printer.printRange()) {
    case QPrinter::Selection:
    case QPrinter::CurrentPage:
        choice.range = Choice::Range::Selection;
        break;
    case QPrinter::PageRange:
        choice.range = Choice::Range::Pages;
        choice.from = printer.fromPage();
        choice.to = printer.toPage();
        break;
    case QPrinter::AllPages:
        choice.range = Choice::Range::All;
        break;
    }
    choice.copies = qMax(1, printer.copyCount());
    return choice;
}

void setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace PrintDialogs
