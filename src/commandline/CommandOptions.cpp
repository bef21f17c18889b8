#include "CommandOptions.h"

#include "Product.h"

#include <optional>
#include <QFileInfo>

namespace {

struct OptionName
{
    QStringList names;
    int values; // how many arguments follow it
};

enum Option
{
    Help,
    Version,
    Data,
    Backup,
    Rotation,
    PasswordFile,
    Check,
    ExportFhir
};

const OptionName kOptions[] = {
    {{QStringLiteral("-h"), QStringLiteral("--help"), QStringLiteral("--aide")}, 0},
    {{QStringLiteral("--version")}, 0},
    {{QStringLiteral("--data"), QStringLiteral("--donnees")}, 1},
    {{QStringLiteral("--sauvegarde"), QStringLiteral("--backup")}, 1},
    {{QStringLiteral("--rotation")}, 1},
    {{QStringLiteral("--mot-de-passe-fichier"), QStringLiteral("--password-file")}, 1},
    {{QStringLiteral("--verifier"), QStringLiteral("--check")}, 0},
    {{QStringLiteral("--exporter-fhir"), QStringLiteral("--export-fhir")}, 2},
};

using UsageError = CommandOptions::UsageError;

int optionNamed(const QString& name)
{
    for (int i = 0; i < int(std::size(kOptions)); ++i)
        if (kOptions[i].names.contains(name))
            return i;
    return -1;
}

} // namespace

CommandOptions CommandOptions::parse(const QStringList& arguments)
{
    QList<std::optional<QStringList>> given(int(std::size(kOptions)));
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inline_;
        if (const qsizetype equals = name.indexOf(QLatin1Char('='));
            name.startsWith(QLatin1String("--")) && equals > 0) {
            inline_ = name.mid(equals + 1);
            name.truncate(equals);
        }
        const int option = optionNamed(name);
        if (option < 0)
            throw UsageError(name.startsWith(QLatin1Char('-'))
                                 ? QStringLiteral("Option inconnue : %1").arg(name)
                                 : QStringLiteral("Argument inattendu : %1").arg(name));
        if (given[option])
            throw UsageError(QStringLiteral("L'option %1 est donnée deux fois.").arg(name));
        const int count = kOptions[option].values;
        if (inline_ && count != 1)
            throw UsageError(QStringLiteral("L'option %1 ne s'écrit pas avec « = ».").arg(name));
        QStringList values;
        if (inline_)
            values << *inline_;
        else
            for (int v = 0; v < count; ++v) {
                if (i + 1 >= arguments.size())
                    throw UsageError(
                        count == 1 ? QStringLiteral("L'option %1 attend une valeur.").arg(name)
                                   : QStringLiteral("L'option %1 attend %2 valeurs.").arg(name).arg(count));
                values << arguments.at(++i);
            }
        for (const QString& value : values)
            if (value.isEmpty())
                throw UsageError(QStringLiteral("L'option %1 attend une valeur non vide.").arg(name));
        given[option] = values;
    }

    CommandOptions options;
    if (given[Help])
        return options;
    if (given[Version]) {
        options.action = Action::Version;
        return options;
    }
    int actions = 0;
    for (const Option action : {Backup, Check, ExportFhir})
        actions += given[action] ? 1 : 0;
    if (actions == 0)
        throw UsageError(
            QStringLiteral("Aucune action demandée : --sauvegarde, --verifier ou --exporter-fhir."));
    if (actions > 1)
        throw UsageError(
            QStringLiteral("Une seule action à la fois : --sauvegarde, --verifier ou --exporter-fhir."));
    if (given[Data])
        options.dataFolder = given[Data]->constFirst();
    if (given[Backup]) {
        options.action = Action::Backup;
        options.backupTarget = given[Backup]->constFirst();
    } else if (given[Check]) {
        options.action = Action::Check;
    } else {
        options.action = Action::ExportFhir;
        options.person = given[ExportFhir]->at(0);
        options.fhirFile = given[ExportFhir]->at(1);
    }
    if (given[Rotation]) {
        if (options.action != Action::Backup)
            throw UsageError(QStringLiteral("L'option --rotation ne va qu'avec --sauvegarde."));
        bool number = false;
        options.keep = given[Rotation]->constFirst().toInt(&number);
        if (!number || options.keep < 1)
            throw UsageError(QStringLiteral("--rotation attend un nombre entier d'au moins 1 : %1")
                                 .arg(given[Rotation]->constFirst()));
        if (!options.backupToFolder())
            throw UsageError(
                QStringLiteral("--rotation demande un dossier de sauvegarde, terminé par « / » : %1")
                    .arg(options.backupTarget));
    }
    if (given[PasswordFile]) {
        if (options.action != Action::Backup)
            throw UsageError(QStringLiteral("L'option --mot-de-passe-fichier ne va qu'avec --sauvegarde."));
        options.passwordFile = given[PasswordFile]->constFirst();
    }
    return options;
}

QString CommandOptions::usageText()
{
    return QStringLiteral(
        "Usage : brivoline [--data DOSSIER] --sauvegarde FICHIER.bkp|DOSSIER/ [--rotation N]\n"
        "                  [--mot-de-passe-fichier FICHIER]\n"
        "        brivoline [--data DOSSIER] --verifier\n"
        "        brivoline [--data DOSSIER] --exporter-fhir PERSONNE FICHIER.json\n"
        "« brivoline --help » donne l'aide complète.\n");
}

QString CommandOptions::helpText()
{
    return QStringLiteral(
               "Usage : brivoline [OPTION]...\n"
               "Sans option, %1 ouvre sa fenêtre. Avec une action, il travaille sans fenêtre ni écran, "
               "écrit\n"
               "ses messages sur la sortie d'erreur et rend la main avec un code de retour.\n"
               "\n"
               "Actions :\n"
               "  --sauvegarde FICHIER.bkp   (ou --backup) sauvegarde vérifiée des données, comme « Outils "
               ">\n"
               "                             Sauvegarde », notée dans l'historique ; refusée tant que le "
               "logiciel\n"
               "                             est ouvert sur les mêmes données\n"
               "  --sauvegarde DOSSIER/      la même dans ce dossier, sous le nom que le logiciel lui donne\n"
               "                             (BRIVOLINE_ACCESS_BACKUP_jj_mm_aaaa.bkp)\n"
               "  --verifier                 (ou --check) vérifie l'intégrité de la base, la présence et la "
               "lecture\n"
               "                             de chaque image et fichier joint qu'une fiche nomme, liste les\n"
               "                             fichiers qu'aucune fiche ne nomme et donne l'âge de la "
               "dernière\n"
               "                             sauvegarde ; le rapport va sur la sortie standard\n"
               "  --exporter-fhir PERSONNE FICHIER.json\n"
               "                             exporte le carnet d'une personne (son numéro ou son nom) en un\n"
               "                             paquet FHIR R4\n"
               "  -h, --help                 affiche cette aide\n"
               "  --version                  affiche la version\n"
               "\n"
               "Options :\n"
               "  --data DOSSIER             le dossier de données à utiliser (celui qui contient db.ini) au "
               "lieu\n"
               "                             du dossier habituel\n"
               "  --rotation N               avec --sauvegarde DOSSIER/ : une fois la nouvelle sauvegarde "
               "vérifiée,\n"
               "                             garde les N plus récentes de ce dossier nommées par le logiciel "
               "et\n"
               "                             supprime les autres ; aucun autre fichier n'est touché\n"
               "  --mot-de-passe-fichier FICHIER\n"
               "                             avec --sauvegarde : chiffre la sauvegarde avec le mot de passe "
               "que\n"
               "                             contient ce fichier (sans le saut de ligne final ; chmod 600) "
               ";\n"
               "                             le mot de passe ne se donne jamais sur la ligne de commande\n"
               "\n"
               "Codes de retour :\n"
               "  0  succès\n"
               "  1  l'opération a échoué ; rien n'est laissé à moitié écrit\n"
               "  2  ligne de commande incorrecte\n"
               "  3  les données sont ouvertes par une autre session du logiciel\n"
               "  4  la vérification a trouvé un problème\n"
               "  5  dossier de données ou base de données introuvable ou illisible\n")
        .arg(Product::name);
}

bool CommandOptions::backupToFolder() const
{
    return backupTarget.endsWith(QLatin1Char('/')) || QFileInfo(backupTarget).isDir();
}
