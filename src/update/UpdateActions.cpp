#include "UpdateActions.h"

#include "Connection.h"
#include "Errors.h"
#include "ScriptSql.h"
#include "SearchIndex.h"

QSqlDatabase ActionContext::database() const
{
    QSqlDatabase db =
        connectionName.isEmpty() ? Connection::database() : QSqlDatabase::database(connectionName, false);
    if (!db.isOpen())
        throw DatabaseError(QStringLiteral("La connexion à la base de données n'est pas ouverte."));
    return db;
}

namespace UpdateActions {
namespace {

using UpdateScript::Command;

QString argumentOrEmpty(const QString& line, int index)
{
    try {
        const QStringList args = UpdateScript::delimitedArguments(line);
        return index < args.size() ? args[index] : QString();
    } catch (const AppError&) {
        return {};
    }
}

QStringList arguments(const QString& line, int count)
{
    QStringList args = UpdateScript::delimitedArguments(line);
    if (args.size() < count)
        throw AppError(
            QStringLiteral("%1 valeur(s) attendue(s), %2 trouvée(s).").arg(count).arg(args.size()));
    return args;
}

int dimension(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw AppError(QStringLiteral("« %1 » n'est pas une taille en pixels.").arg(text));
    return value;
}

} // namespace

QString title(Command command, const QString& line)
{
    switch (command) {
    case Command::SqlExe:
        return QStringLiteral("SQL:") + UpdateScript::bracedText(line);
    case Command::CompactDataBase:
        return QStringLiteral("Compactage de la base de données");
    case Command::CreateSearchIndex:
        return QStringLiteral("INDEX:Recherche dans le carnet de santé");
    case Command::ConvertQueryScript:
        return QStringLiteral("CONVERSION:Requêtes");
    case Command::ConvertStatScript:
        return QStringLiteral("CONVERSION:Statistiques");
    case Command::ReplaceStringInQueryScript:
        return QStringLiteral("MODIFICATION:Requêtes(%1)").arg(argumentOrEmpty(line, 0));
    case Command::ReplaceStringInStatScript:
        return QStringLiteral("MODIFICATION:Statistiques(%1)").arg(argumentOrEmpty(line, 0));
    case Command::ExtractImageToJpeg:
        return QStringLiteral("OPTIMISATION:Extraction des images au format jpeg de la table ") +
               argumentOrEmpty(line, 0);
    case Command::ExtractJpegImage:
        return QStringLiteral("OPTIMISATION:Extraction des images jpeg de la table ") +
               argumentOrEmpty(line, 0);
    case Command::ResizeBitmapInDataBase:
        return QStringLiteral("OPTIMISATION:Redimensionne les images Bitmap de la table ") +
               argumentOrEmpty(line, 0);
    case Command::ConvertBitmapToJpegInDataBase:
        return QStringLiteral("OPTIMISATION:Conversion des images Bitmap en Jpeg de la table ") +
               argumentOrEmpty(line, 0);
    default:
        return {};
    }
}

QString perform(ActionContext& context, ScriptSql& sql, Command command, const QString& line)
{
    using namespace PictureActions;
    switch (command) {
    case Command::SqlExe: {
        const QString statement = UpdateScript::bracedText(line);
        if (statement.trimmed().isEmpty())
            throw AppError(QStringLiteral("la ligne ne contient aucune instruction entre { et }."));
        sql.run(statement);
        return {};
    }
    case Command::ConvertQueryScript:
        TreeConversion::convert(context, TreeConversion::Tree::Query, {});
        return {};
    case Command::CreateSearchIndex:
        SearchIndex::install(context.connectionName);
        return {};
    case Command::ConvertStatScript:
        TreeConversion::convert(context, TreeConversion::Tree::Stat, UpdateScript::bracedText(line));
        return {};
    case Command::ReplaceStringInQueryScript:
    case Command::ReplaceStringInStatScript: {
        const QStringList args = arguments(line, 2);
        TreeConversion::replaceText(context,
                                    command == Command::ReplaceStringInQueryScript
                                        ? TreeConversion::Tree::Query
                                        : TreeConversion::Tree::Stat,
                                    args[0], args[1]);
        return {};
    }
    case Command::ExtractImageToJpeg: {
        const QStringList args = arguments(line, 3);
        return extractImageToJpeg(context, args[0], args[1], args[2],
                                  line.contains(QLatin1String("ExtractImageToJpegCopy")));
    }
    case Command::ExtractJpegImage: {
        const QStringList args = arguments(line, 3);
        return extractJpegImage(context, args[0], args[1], args[2]);
    }
    case Command::ResizeBitmapInDataBase: {
        const QStringList args = arguments(line, 4);
        return resizeBitmap(context, args[0], args[1], dimension(args[2]), dimension(args[3]),
                            line.contains(QLatin1String("ResizeBitmapDataBaseInWhiteRect")));
    }
    case Command::ConvertBitmapToJpegInDataBase: {
        const QStringList args = arguments(line, 2);
        return convertBitmapToJpeg(context, args[0], args[1]);
    }
    default:
        return {};
    }
}

} // namespace UpdateActions
