#include "ReferenceMember.h"

#include "TDataModule1.h"

namespace {
QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The lists of many columns keep them narrow; a Yes/No column is narrower still.
constexpr int kNarrow = 105;
constexpr int kYesNo = 50;
constexpr int kWide = 220;

GridColumn column(const char* title, const char* field, int width = kNarrow)
{
    return {text(title), text(field), width};
}

ReferenceField line(const char* caption, const char* field)
{
    return {text(caption), text(field)};
}

ReferenceField lines(const char* caption, const char* field)
{
    ReferenceField f{text(caption), text(field)};
    f.multiLine = true;
    return f;
}

// The address block that practitioners and pharmacies share.
QList<ReferenceField> addressFields()
{
    return {line("Nom", "Name"),    line("Adresse", "Address"), line("Code postal", "CP"),
            line("Ville", "City"),  line("Téléphone", "Phone"), line("Fax", "Fax"),
            line("Email", "Email"), lines("Notes", "Note")};
}

QList<ReferenceField> titleFields()
{
    return {line("Titre", "Title"), lines("Description", "Description")};
}

QList<GridColumn> titleColumns()
{
    return {column("Titre", "Title", kWide), column("Description", "Description", kWide)};
}

ReferenceMember doctors()
{
    ReferenceField speciality = line("Spécialité", "Category");
    speciality.pickColumn = text("Doctor_Category");
    speciality.editorTitle = text("Spécialités");
    speciality.pickButton = text("Btn_Specialite");
    speciality.pickHint = text("Choisir la spécialité");
    ReferenceField agreement = line("Convention.", "Convention");
    agreement.fixedEntries = {text("Oui"), text("Non")};
    agreement.pickButton = text("Btn_Convention");
    agreement.pickHint = text("Choisir la convention");

    QList<ReferenceField> fields = addressFields();
    fields << speciality << agreement;
    return {[](TDataModule1& dm) -> Dataset& { return dm.Lst_Doctor; },
            text("DoctorList"),
            text("EnterDoctor"),
            text("  Liste des praticiens"),
            text("  Saisie d'un praticien"),
            {column("Nom", "Name"), column("Spécialité", "Category"), column("Conv.", "Convention", kYesNo),
             column("Adresse", "Address"), column("Ville", "City"), column("Code postal", "CP"),
             column("Téléphone", "Phone"), column("Fax", "Fax"), column("Email", "Email"),
             column("Notes", "Note")},
            fields,
            text("Name"),
            text("Désirez-vous supprimer ce médecin?"),
            {{text("Convention"), false}}};
}

ReferenceMember pharmacies()
{
    return {[](TDataModule1& dm) -> Dataset& { return dm.Lst_Pharmacy; },
            text("PharmacyList"),
            text("EnterPharmacy"),
            text("  Liste des pharmacies"),
            text("  Saisie d'une pharmacie"),
            {column("Nom", "Name"), column("Adresse", "Address"), column("Ville", "City"),
             column("Code Postal", "CP"), column("Téléphone", "Phone"), column("Fax", "Fax"),
             column("Email", "Email"), column("Notes", "Note")},
            addressFields(),
            text("Name"),
            text("Désirez-vous supprimer cette pharmacie ?"),
            {}};
}

ReferenceMember titled(Dataset& (*dataset)(TDataModule1&), const char* name, const char* listTitle,
                       const char* entryTitle, const char* deleteQuestion)
{
    const QString member = text(name);
    return {dataset,
            member + QStringLiteral("List"),
            QStringLiteral("Enter") + member,
            text(listTitle),
            text(entryTitle),
            titleColumns(),
            titleFields(),
            text("Title"),
            text(deleteQuestion),
            {}};
}
} // namespace

namespace ReferenceMembers {

const ReferenceMember& of(ReferenceKind kind)
{
    // In the order of ReferenceKind.
    static const ReferenceMember members[] = {
        doctors(),
        pharmacies(),
        titled([](TDataModule1& dm) -> Dataset& { return dm.Lst_Drug; }, "Drug", "  Liste des médicaments",
               "  Saisie d'un médicament", "Désirez-vous supprimer ce médicament ?"),
        titled([](TDataModule1& dm) -> Dataset& { return dm.Lst_Vaccine; }, "Vaccine", "  Liste des vaccins",
               "  Saisie d'un vaccin", "Désirez-vous supprimer ce vaccin ?"),
        titled([](TDataModule1& dm) -> Dataset& { return dm.Lst_Illness; }, "Illness", "  Liste des maladies",
               "  Saisie d'une maladie", "Désirez-vous supprimer cette maladie ?"),
    };
    return members[static_cast<int>(kind)];
}

bool isFilled(const QString& requiredText)
{
    return !requiredText.trimmed().isEmpty();
}

} // namespace ReferenceMembers
