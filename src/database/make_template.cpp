// Build step: brivoline_make_template <target database> <script>...
#include "Errors.h"
#include "TemplateDatabase.h"

#include <cstdio>
#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: brivoline_make_template <database> <script.sql>...\n");
        return 2;
    }
    try {
        TemplateDatabase::build(args.at(1), args.mid(2));
    } catch (const AppError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
