#pragma once

#include <functional>
#include <optional>
#include <QList>

class QPrinter;
class QWidget;

// The print dialog goes through here, so tests answer it without a person.
namespace PrintDialogs {

struct Request
{
    int pageCount = 1;
    bool offerSelection = true;   // "selection": the page or picture shown
    bool presetSelection = false; // the dialog opens on "selection"
};

struct Choice
{
    enum class Range
    {
        All,
        Pages,
        Selection
    };
    Range range = Range::All;
    int from = 1; // pages, from 1
    int to = 1;
    int copies = 1;

    // The pages chosen, from 0, within the count; `shown` for a selection.
    QList<int> pages(int pageCount, int shown) const;
};

// Shows the print dialog on the printer (which keeps the destination the
// user picks); nothing when the user cancels.
std::optional<Choice> ask(QPrinter& printer, const Request& request, QWidget* parent);

// Replaces the dialog by a handler (tests); an empty handler restores it.
using Handler = std::function<std::optional<Choice>(const Request& request)>;
void setHandler(Handler handler);

} // namespace PrintDialogs
