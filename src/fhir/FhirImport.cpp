#include "FhirImport.h"

#include "BmpFormat.h"
#include "Cabinet.h"
#include "CareQueries.h"
#include "Connection.h"
#include "FhirError.h"
#include "FhirTerms.h"
#include "FhirValues.h"
#include "FileUtils.h"
#include "Formats.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "ListMatching.h"
#include "RecordRows.h"
#include "StoredFiles.h"
#include "Transaction.h"

#include <cstdio>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QSqlField>
#include <QSqlRecord>

using namespace FhirValues;
namespace T = FhirTerms;

namespace FhirImport {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QJsonObject object(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toObject();
}
QJsonArray array(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toArray();
}
QJsonObject first(const QJsonObject& o, const char* key)
{
    return array(o, key).at(0).toObject();
}

// The program's text of the first element of an array of strings.
QString firstText(const QJsonObject& o, const QString& key)
{
    const QJsonObject holder{{QStringLiteral("v"), o.value(key).toArray().at(0)},
                             {QStringLiteral("_v"), o.value(QLatin1Char('_') + key).toArray().at(0)}};
    return readText(holder, QStringLiteral("v"));
}

// A concept's text: its own, else the first coding's display.
QString conceptText(const QJsonObject& codeable)
{
    const QString text = readText(codeable, QStringLiteral("text"));
    return text.isEmpty() ? readText(first(codeable, "coding"), QStringLiteral("display")) : text;
}

QVariant orNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}
QVariant orNull(std::optional<double> value)
{
    return value ? QVariant(*value) : QVariant();
}
std::optional<double> numberOf(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}
QVariant amountOrNull(std::optional<Money::Amount> amount)
{
    return amount ? QVariant(amount->decimalText()) : QVariant();
}

// The notes joined; the booster's own note is not one of them.
QString notes(const QJsonObject& r)
{
    QStringList texts;
    for (const QJsonValue& v : array(r, "note"))
        if (extension(v.toObject(), T::boosterDate).isEmpty())
            texts << readText(v.toObject(), QStringLiteral("text"));
    texts.removeAll(QString());
    return texts.join(QLatin1Char('\n'));
}

QString listEntryText(const QJsonObject& codeable, const char* part)
{
    return extensionText(extension(codeable, T::listEntry), QLatin1String(part));
}

class BundleReader
{
public:
    explicit BundleReader(const Records& records)
        : m_db(records.db), m_folder(records.databaseFolder), m_writer(records.db),
          m_lists(records.db, m_writer)
    {
    }
    ImportResult run(const QJsonObject& bundle);

private:
    struct Entry
    {
        QString url;
        QJsonObject resource;
        QString type() const { return resource.value(QStringLiteral("resourceType")).toString(); }
    };
    struct StagedFile
    {
        QString partial;
        QString target;
        bool placed = false;
    };

    void index(const QJsonObject& bundle);
    int indexOf(const QString& reference) const;
    QString urlOf(const QString& reference) const;
    QJsonObject resolve(const QJsonObject& holder, const char* key);
    bool aboutPatient(const QJsonObject& r) const;
    QString describe(const Entry& e) const;

    void person();
    void definitions();
    int followedFor(const QString& title, const QString& unit);
    int catalogueFrom(const QJsonObject& definition);
    void take(const Entry& e);
    void measure(const Entry& e, const char* table, const char* column, const QHash<QString, double>& units);
    void analysisResult(const Entry& e);
    void event(const Entry& e);
    void immunization(const Entry& e);
    void act(const Entry& e, CareQueries::ActKind kind);
    void document(const Entry& e);
    QVariant doctor(const QJsonObject& holder, const char* key);
    QVariant pharmacy(const QJsonObject& holder, const char* key);
    QVariant listEntry(const char* table, const QJsonObject& codeable, bool withGravity);
    static void contactInto(QVariantMap& values, const QJsonObject& r);

    QByteArray content(const QJsonObject& attachment, const QString& what) const;
    void stage(const QString& target, const QByteArray& data);
    void stageArchive(const QString& target, const QString& name, const QByteArray& data);
    void placeFiles();
    void dropFiles();

    QSqlDatabase m_db;
    QString m_folder;
    RecordRows::Writer m_writer;
    ListMatching m_lists;
    std::vector<Entry> m_entries;
    QHash<QString, int> m_byUrl;
    int m_patient = -1;
    int m_personId = -1;
    QSet<int> m_taken;
    QHash<int, int> m_payerOfCoverage;     // coverage entry -> 0 national insurance, 1 complementary
    QHash<int, QJsonObject> m_claims[2];   // act entry -> its ExplanationOfBenefit, per payer
    QHash<int, int> m_claimEntries[2];     // act entry -> the claim's entry
    QHash<int, int> m_followed;            // definition entry -> L_ANALYSIS Id
    QHash<QString, int> m_followedByTitle; // for results with no definition of the program's
    std::vector<StagedFile> m_files;
    ImportResult m_result;
};

void BundleReader::index(const QJsonObject& bundle)
{
    if (bundle.value(QStringLiteral("resourceType")).toString() != QLatin1String("Bundle"))
        throw FhirError(s("Ce fichier n'est pas un paquet FHIR (Bundle)."));
    for (const QJsonValue& v : array(bundle, "entry")) {
        const QJsonObject entry = v.toObject();
        Entry e{entry.value(QStringLiteral("fullUrl")).toString(), object(entry, "resource")};
        if (e.resource.isEmpty())
            continue;
        const int i = static_cast<int>(m_entries.size());
        const QString id = e.resource.value(QStringLiteral("id")).toString();
        if (!id.isEmpty())
            m_byUrl.insert(e.type() + QLatin1Char('/') + id, i);
        if (!e.url.isEmpty())
            m_byUrl.insert(e.url, i);
        else
            e.url = e.type() + QLatin1Char('/') + id;
        if (e.type() == QLatin1String("Patient")) {
            if (m_patient >= 0)
                throw FhirError(
                    s("Ce fichier contient plusieurs patients : un carnet de santé n'en reprend qu'un."));
            m_patient = i;
        }
        m_entries.push_back(std::move(e));
    }
    if (m_patient < 0)
        throw FhirError(
            s("Ce fichier ne contient aucun patient (Patient) : il n'y a pas de carnet de santé à créer."));
}

int BundleReader::indexOf(const QString& reference) const
{
    if (reference.isEmpty())
        return -1;
    if (const auto it = m_byUrl.constFind(reference); it != m_byUrl.constEnd())
        return *it;
    // "http://host/fhir/Practitioner/12" names the same as "Practitioner/12".
    const QStringList parts = reference.split(QLatin1Char('/'));
    if (parts.size() >= 2)
        return m_byUrl.value(parts[parts.size() - 2] + QLatin1Char('/') + parts.last(), -1);
    return -1;
}

QJsonObject BundleReader::resolve(const QJsonObject& holder, const char* key)
{
    const int i = indexOf(referenceOf(holder, QLatin1String(key)));
    if (i < 0)
        return {};
    m_taken.insert(i);
    return m_entries[i].resource;
}

bool BundleReader::aboutPatient(const QJsonObject& r) const
{
    for (const char* key : {"subject", "patient", "beneficiary"}) {
        const QString ref = referenceOf(r, QLatin1String(key));
        if (!ref.isEmpty())
            return indexOf(ref) == m_patient;
    }
    return true;
}

QString BundleReader::describe(const Entry& e) const
{
    QString text = e.type();
    QString what = conceptText(object(e.resource, "code"));
    if (what.isEmpty())
        what = readText(e.resource, QStringLiteral("description"));
    if (!what.isEmpty())
        text += s(" « ") + what.left(60) + s(" »");
    const QString id = e.resource.value(QStringLiteral("id")).toString();
    return id.isEmpty() ? text : text + QStringLiteral(" (") + id + QLatin1Char(')');
}

QByteArray BundleReader::content(const QJsonObject& attachment, const QString& what) const
{
    if (!attachment.contains(QStringLiteral("data")))
        throw FhirError(what + s(" : son contenu n'est pas dans le fichier"));
    const QByteArray data =
        QByteArray::fromBase64(attachment.value(QStringLiteral("data")).toString().toLatin1());
    const QString hash = attachment.value(QStringLiteral("hash")).toString();
    if (!hash.isEmpty() &&
        QCryptographicHash::hash(data, QCryptographicHash::Sha1).toBase64() != hash.toLatin1())
        throw FhirError(what + s(" : son contenu ne correspond pas à son empreinte (fichier altéré)"));
    return data;
}

void BundleReader::stage(const QString& target, const QByteArray& data)
{
    FileUtils::makeFolder(QFileInfo(target).absolutePath() + QLatin1Char('/'));
    StagedFile f{target + QStringLiteral(".importation"), target};
    FileUtils::writeFileAtomically(f.partial, data);
    m_files.push_back(f);
}

void BundleReader::stageArchive(const QString& target, const QString& name, const QByteArray& data)
{
    const QString bytes = target + QStringLiteral(".contenu");
    stage(bytes, data);
    m_files.back().target.clear(); // the bytes themselves are never placed
    StagedFile f{target + QStringLiteral(".importation"), target};
    Cabinet::create(f.partial, {{m_files.back().partial, FileUtils::bareFileName(name)}});
    m_files.push_back(f);
}

void BundleReader::placeFiles()
{
    QSet<QString> folders;
    for (StagedFile& f : m_files) {
        if (f.target.isEmpty()) {
            FileUtils::removeFile(f.partial); // an attached file's bytes, now in its archive
            f.placed = true;
            continue;
        }
        if (std::rename(QFile::encodeName(f.partial).constData(), QFile::encodeName(f.target).constData()) !=
            0)
            throw FileError(s("Impossible de mettre le fichier \"%1\" en place : %2.")
                                .arg(f.target, FileUtils::systemReason(errno)));
        f.placed = true;
        folders.insert(QFileInfo(f.target).absolutePath() + QLatin1Char('/'));
    }
    for (const QString& folder : folders)
        FileUtils::syncFolder(folder);
}

void BundleReader::dropFiles()
{
    QStringList paths;
    for (const StagedFile& f : m_files)
        if (!f.placed || !f.target.isEmpty())
            paths << (f.placed ? f.target : f.partial);
    FileUtils::removeFiles(paths);
}

ImportResult BundleReader::run(const QJsonObject& bundle)
{
    index(bundle);
    const QString connection =
        m_db.connectionName() == Connection::database().connectionName() ? QString() : m_db.connectionName();
    try {
        Transaction transaction(connection);
        person();
        definitions();
        for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
            if (m_taken.contains(i))
                continue;
            const Entry& e = m_entries[i];
            try {
                if (!aboutPatient(e.resource))
                    throw FhirError(s("il concerne un autre patient"));
                take(e);
            } catch (const FhirError& error) {
                // What does not map is left out; a database or a disk that
                // fails undoes the whole record.
                m_result.skipped << describe(e) + s(" : ") + error.text();
                m_taken.insert(i);
            }
        }
        for (int i = 0; i < static_cast<int>(m_entries.size()); ++i)
            if (!m_taken.contains(i))
                m_result.skipped << describe(m_entries[i]) +
                                        s(" : le carnet de santé n'a rien pour le garder");
        placeFiles();
        transaction.commit();
    } catch (...) {
        dropFiles();
        throw;
    }
    m_result.personId = m_personId;
    m_result.listAdded = m_lists.added();
    return m_result;
}

void BundleReader::person()
{
    const QJsonObject pt = m_entries[m_patient].resource;
    m_taken.insert(m_patient);
    QVariantMap p;
    const QJsonObject name = first(pt, "name");
    QString family = readText(name, QStringLiteral("family"));
    if (family.isEmpty() && !name.contains(QStringLiteral("given")))
        family = readText(name, QStringLiteral("text"));
    p.insert(QStringLiteral("Name"), orNull(family));
    p.insert(QStringLiteral("ForeName"), orNull(firstText(name, QStringLiteral("given"))));

    for (const QJsonValue& v : array(pt, "identifier")) {
        const QJsonObject id = v.toObject();
        const QString system = id.value(QStringLiteral("system")).toString();
        QString value = readText(id, QStringLiteral("value"));
        if (system == T::nir) {
            static const QRegularExpression digits(
                QStringLiteral("^(\\d)(\\d\\d)(\\d\\d)(\\d\\d)(\\d{3})(\\d{3})(\\d\\d)$"));
            const QRegularExpressionMatch m = digits.match(value);
            // The program stores the number in the groups of its entry mask.
            if (m.hasMatch())
                value = m.capturedTexts().mid(1).join(QLatin1Char(' '));
        } else if (!system.isEmpty() ||
                   readText(object(id, "type"), QStringLiteral("text")) != s("N° de sécurité social")) {
            continue;
        }
        p.insert(QStringLiteral("No"), orNull(value));
        break;
    }

    const QString sexColumn =
        RecordRows::column(m_db, QStringLiteral("PERSON"), QStringLiteral("Sex")).isEmpty()
            ? RecordRows::column(m_db, QStringLiteral("PERSON"), QStringLiteral("Sexe"))
            : RecordRows::column(m_db, QStringLiteral("PERSON"), QStringLiteral("Sex"));
    const QString gender = pt.value(QStringLiteral("gender")).toString();
    if (!sexColumn.isEmpty() && !gender.isEmpty()) {
        const bool numeric =
            m_db.record(QStringLiteral("PERSON")).field(sexColumn).metaType().id() != QMetaType::QString;
        const QString text = readText(pt, QStringLiteral("gender"));
        if (text != gender)
            p.insert(sexColumn, numeric ? QVariant(text.toInt()) : QVariant(text));
        else if (gender == QLatin1String("female"))
            p.insert(sexColumn, numeric ? QVariant(2) : QVariant(s("Féminin")));
        else if (gender == QLatin1String("male"))
            p.insert(sexColumn, numeric ? QVariant(1) : QVariant(s("Masculin")));
    }

    const StoredTexts birth = readBirthMoment(pt);
    p.insert(QStringLiteral("BirthDay_Date"), orNull(birth.date));
    p.insert(QStringLiteral("BirthDay_Time"), orNull(birth.time));
    const QJsonObject place = object(extension(pt, T::birthPlace), "valueAddress");
    QString city = readText(place, QStringLiteral("text"));
    if (city.isEmpty())
        city = readText(place, QStringLiteral("city"));
    p.insert(QStringLiteral("BirthDay_City"), orNull(city));

    for (const QJsonValue& v : array(pt, "extension")) {
        const QJsonObject e = v.toObject();
        const QString url = e.value(QStringLiteral("url")).toString();
        if (url == T::customField) {
            const int k =
                extension(e, QStringLiteral("number")).value(QStringLiteral("valueInteger")).toInt();
            if (k >= 1 && k <= 12)
                p.insert(QStringLiteral("Misc%1").arg(k, 2, 10, QLatin1Char('0')),
                         orNull(extensionText(e, QStringLiteral("value"))));
        } else if (url == T::chartAxes) {
            for (auto [part, column] : {std::pair{"weight", "WeightMode"}, std::pair{"size", "SizeMode"},
                                        std::pair{"analysis", "AnalysisMode"}}) {
                const QJsonObject axis = extension(e, QLatin1String(part));
                if (!axis.isEmpty())
                    p.insert(QLatin1String(column), axis.value(QStringLiteral("valueInteger")).toInt());
            }
        }
    }

    QByteArray photo, thumbnail;
    for (const QJsonValue& v : array(pt, "photo")) {
        const QJsonObject a = v.toObject();
        const QString type = a.value(QStringLiteral("contentType")).toString();
        try {
            if (type == QLatin1String("image/jpeg") && photo.isEmpty())
                photo = content(a, s("La photo"));
            else if (type == QLatin1String("image/bmp") && thumbnail.isEmpty())
                thumbnail = content(a, s("La vignette de la photo"));
        } catch (const FhirError& e) {
            m_result.skipped << e.text();
        }
    }
    if (!photo.isEmpty()) {
        Bitmap picture;
        if (!decodeJpeg(picture, photo, true)) {
            m_result.skipped << s("La photo : ce n'est pas une image JPEG lisible");
            photo.clear();
        } else if (thumbnail.isEmpty()) {
            thumbnail = BmpFormat::encode(thumbnailOnWhite(picture, 115, 115));
        }
    }
    if (!thumbnail.isEmpty())
        p.insert(QStringLiteral("ImgMini1"), thumbnail);

    // What the person's row holds of other resources: the history, the
    // birth measures, the blood group, the two insurers.
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        const Entry& e = m_entries[i];
        if (!aboutPatient(e.resource))
            continue;
        const QJsonObject code = object(e.resource, "code");
        if (e.type() == QLatin1String("Condition") && hasCoding(code, T::kinds, T::Kind::history)) {
            p.insert(QStringLiteral("Previous"), orNull(notes(e.resource)));
        } else if (e.type() == QLatin1String("Observation") &&
                   hasCoding(code, T::loinc, T::Loinc::bloodGroup)) {
            p.insert(QStringLiteral("Blood"),
                     orNull(conceptText(object(e.resource, "valueCodeableConcept"))));
        } else if (e.type() == QLatin1String("Observation") &&
                   (hasCoding(code, T::loinc, T::Loinc::birthWeight) ||
                    hasCoding(code, T::loinc, T::Loinc::birthLength))) {
            const bool weight = hasCoding(code, T::loinc, T::Loinc::birthWeight);
            const QJsonObject q = object(e.resource, "valueQuantity");
            const QString unit = q.value(QStringLiteral("code")).toString();
            const std::optional<double> value = numberOf(q, "value");
            const double factor = weight ? (unit == QLatin1String("g") ? 0.001 : 1.0)
                                         : (unit == QLatin1String("m") ? 100.0 : 1.0);
            if (!value || !(unit.isEmpty() || unit == QLatin1String(weight ? "kg" : "cm") || factor != 1.0))
                continue; // left for the list of what was not taken
            p.insert(weight ? QStringLiteral("BirthDay_Weight") : QStringLiteral("BirthDay_Size"),
                     *value * factor);
        } else if (e.type() == QLatin1String("Coverage")) {
            const QJsonObject type = object(e.resource, "type");
            const int payer = hasCoding(type, T::kinds, T::Kind::nationalInsurance) ? 0
                              : hasCoding(type, T::kinds, T::Kind::complementary)   ? 1
                                                                                    : -1;
            if (payer < 0)
                continue;
            const int org = indexOf(first(e.resource, "payor").value(QStringLiteral("reference")).toString());
            if (org >= 0) {
                p.insert(payer == 0 ? QStringLiteral("Org_Secu") : QStringLiteral("Org_Comp"),
                         orNull(readText(m_entries[org].resource, QStringLiteral("name"))));
                m_taken.insert(org);
            }
            m_payerOfCoverage.insert(i, payer);
        } else {
            continue;
        }
        m_taken.insert(i);
    }

    m_personId = m_writer.insert(QStringLiteral("PERSON"), p);
    // Every detail row names its person in a Short.
    if (m_personId > 32767)
        throw FhirError(
            s("Le carnet de santé ne peut pas être créé : son numéro %1 dépasse 32767, le plus grand "
              "qu'un carnet puisse porter.")
                .arg(m_personId));
    if (!photo.isEmpty())
        stage(StoredFiles::photo(m_folder, m_personId), photo);

    // The act each claim belongs to, and its payer.
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        const Entry& e = m_entries[i];
        if (e.type() != QLatin1String("ExplanationOfBenefit"))
            continue;
        const int coverage = indexOf(referenceOf(first(e.resource, "insurance"), QStringLiteral("coverage")));
        int act = -1;
        for (const QJsonValue& info : array(e.resource, "supportingInfo"))
            if (act < 0)
                act = indexOf(referenceOf(info.toObject(), QStringLiteral("valueReference")));
        if (act < 0 || !m_payerOfCoverage.contains(coverage))
            continue; // listed with what was not taken
        const int payer = m_payerOfCoverage.value(coverage);
        if (m_claims[payer].contains(act))
            continue;
        m_claims[payer].insert(act, e.resource);
        m_claimEntries[payer].insert(act, i);
    }
}

// The unit, decimals and normal range a definition gives its row.
QVariantMap definitionValues(const QJsonObject& definition)
{
    const QJsonObject details = object(definition, "quantitativeDetails");
    const QJsonObject range = object(first(definition, "qualifiedInterval"), "range");
    const QJsonObject unit = object(details, "unit");
    QString unitText = readText(unit, QStringLiteral("text"));
    if (unitText.isEmpty())
        unitText = codeIn(unit, T::ucum);
    QVariantMap values{{QStringLiteral("Unit"), orNull(unitText)},
                       {QStringLiteral("Value_Min"), orNull(numberOf(object(range, "low"), "value"))},
                       {QStringLiteral("Value_Max"), orNull(numberOf(object(range, "high"), "value"))}};
    if (details.contains(QStringLiteral("decimalPrecision")))
        values.insert(QStringLiteral("Decimal"), details.value(QStringLiteral("decimalPrecision")).toInt());
    return values;
}

int BundleReader::catalogueFrom(const QJsonObject& definition)
{
    QVariantMap values = definitionValues(definition);
    values.insert(QStringLiteral("Title"), orNull(conceptText(object(definition, "code"))));
    values.insert(QStringLiteral("Description"), orNull(listEntryText(definition, "description")));
    values.insert(QStringLiteral("Category"), orNull(listEntryText(definition, "category")));
    return m_lists.find(QStringLiteral("LST_ANALYSIS"), values);
}

void BundleReader::definitions()
{
    // A definition is the person's own analysis when it points to its
    // catalogue entry or when results point to it.
    QSet<int> followed;
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        const Entry& e = m_entries[i];
        if (e.type() == QLatin1String("ObservationDefinition") &&
            !extension(e.resource, T::catalogueDefinition).isEmpty())
            followed.insert(i);
        if (e.type() == QLatin1String("Observation")) {
            const int d = indexOf(
                referenceOf(extension(e.resource, T::followedAnalysis), QStringLiteral("valueReference")));
            if (d >= 0 && m_entries[d].type() == QLatin1String("ObservationDefinition"))
                followed.insert(d);
        }
    }
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        if (!followed.contains(i))
            continue;
        const Entry& e = m_entries[i];
        try {
            const QJsonObject own = e.resource;
            const QJsonObject catalogue = resolve(extension(own, T::catalogueDefinition), "valueReference");
            const int catalogueId = catalogueFrom(catalogue.isEmpty() ? own : catalogue);
            if (catalogueId < 0)
                throw FhirError(s("l'analyse n'a pas de titre"));
            QVariantMap values = definitionValues(own);
            values.insert(QStringLiteral("Id_File"), -1);
            values.insert(QStringLiteral("Id_Ref"), m_personId);
            values.insert(QStringLiteral("Id_Analysis"), catalogueId);
            values.insert(QStringLiteral("Remark1"), orNull(extensionText(own, T::analysisRemark)));
            const int id = m_writer.insert(QStringLiteral("L_ANALYSIS"), values);
            if (id > 32767)
                throw FhirError(s("son numéro %1 ne tient pas dans ses résultats").arg(id));
            m_followed.insert(i, id);
            ++m_result.resources;
        } catch (const FhirError& error) {
            m_result.skipped << describe(e) + s(" : ") + error.text();
        }
        m_taken.insert(i);
    }
}

int BundleReader::followedFor(const QString& title, const QString& unit)
{
    const QString key = title.trimmed().toLower() + QLatin1Char('\n') + unit;
    if (const auto it = m_followedByTitle.constFind(key); it != m_followedByTitle.constEnd())
        return *it;
    const int catalogueId =
        m_lists.find(QStringLiteral("LST_ANALYSIS"), {{QStringLiteral("Title"), title},
                                                      {QStringLiteral("Unit"), orNull(unit)},
                                                      {QStringLiteral("Decimal"), 2}});
    const int id =
        m_writer.insert(QStringLiteral("L_ANALYSIS"), {{QStringLiteral("Id_File"), -1},
                                                       {QStringLiteral("Id_Ref"), m_personId},
                                                       {QStringLiteral("Id_Analysis"), catalogueId},
                                                       {QStringLiteral("Unit"), orNull(unit)},
                                                       {QStringLiteral("Decimal"), 2}});
    m_followedByTitle.insert(key, id);
    return id;
}

void BundleReader::take(const Entry& e)
{
    const int i = static_cast<int>(&e - m_entries.data());
    const QString type = e.type();
    const QJsonObject code = object(e.resource, "code");
    if (type == QLatin1String("Observation")) {
        if (hasCoding(code, T::loinc, T::Loinc::bodyWeight))
            measure(e, "WEIGHT", "Weight", {{QStringLiteral("kg"), 1.0}, {QStringLiteral("g"), 0.001}});
        else if (hasCoding(code, T::loinc, T::Loinc::bodyHeight))
            measure(e, "SIZE", "Size",
                    {{QStringLiteral("cm"), 1.0}, {QStringLiteral("m"), 100.0}, {QStringLiteral("mm"), 0.1}});
        else if (hasCoding(code, T::loinc, T::Loinc::bodyMassIndex))
            ; // computed from the weights and heights, never kept
        else if (hasCoding(code, T::kinds, T::Kind::event))
            event(e);
        else if (!extension(e.resource, T::followedAnalysis).isEmpty() ||
                 hasCoding(first(e.resource, "category"), T::observationCategory,
                           QStringLiteral("laboratory")))
            analysisResult(e);
        else
            return;
    } else if (type == QLatin1String("Immunization")) {
        immunization(e);
    } else if (type == QLatin1String("Encounter")) {
        act(e, CareQueries::ActKind::Consultation);
    } else if (type == QLatin1String("MedicationDispense")) {
        act(e, CareQueries::ActKind::Pharmacy);
    } else if (type == QLatin1String("DocumentReference")) {
        document(e);
    } else {
        return;
    }
    m_taken.insert(i);
}

void BundleReader::measure(const Entry& e, const char* table, const char* column,
                           const QHash<QString, double>& units)
{
    const QJsonObject q = object(e.resource, "valueQuantity");
    const std::optional<double> value = numberOf(q, "value");
    QString unit = q.value(QStringLiteral("code")).toString();
    if (unit.isEmpty())
        unit = q.value(QStringLiteral("unit")).toString();
    if (value && !units.contains(unit))
        throw FhirError(s("unité « %1 » inconnue").arg(unit));
    const StoredTexts when = readMoment(e.resource, QStringLiteral("effectiveDateTime"));
    const QString c = QLatin1String(column);
    m_writer.insert(QLatin1String(table), {{QStringLiteral("Id_Ref"), m_personId},
                                           {QStringLiteral("Date_") + c, orNull(when.date)},
                                           {QStringLiteral("Time_") + c, orNull(when.time)},
                                           {c, value ? QVariant(*value * units.value(unit)) : QVariant()},
                                           {QStringLiteral("Remark"), orNull(notes(e.resource))}});
    ++m_result.resources;
}

void BundleReader::analysisResult(const Entry& e)
{
    const QJsonObject q = object(e.resource, "valueQuantity");
    const int definition =
        indexOf(referenceOf(extension(e.resource, T::followedAnalysis), QStringLiteral("valueReference")));
    int followed = m_followed.value(definition, -1);
    if (followed < 0) {
        const QString title = conceptText(object(e.resource, "code"));
        if (title.isEmpty() || !q.contains(QStringLiteral("value")))
            throw FhirError(s("résultat sans analyse ni valeur"));
        QString unit = readText(q, QStringLiteral("unit"));
        followed = followedFor(title, unit.isEmpty() ? q.value(QStringLiteral("code")).toString() : unit);
    }
    const QJsonObject range = first(e.resource, "referenceRange");
    const StoredTexts when = readMoment(e.resource, QStringLiteral("effectiveDateTime"));
    m_writer.insert(QStringLiteral("ANALYSIS"),
                    {{QStringLiteral("Id_Ref"), followed},
                     {QStringLiteral("Date_Analysis"), orNull(when.date)},
                     {QStringLiteral("Time_Analysis"), orNull(when.time)},
                     {QStringLiteral("Value_Analysis"), orNull(numberOf(q, "value"))},
                     {QStringLiteral("Value_Min"), orNull(numberOf(object(range, "low"), "value"))},
                     {QStringLiteral("Value_Max"), orNull(numberOf(object(range, "high"), "value"))},
                     {QStringLiteral("Remark1"), orNull(notes(e.resource))}});
    ++m_result.resources;
}

void BundleReader::event(const Entry& e)
{
    const StoredTexts when = readMoment(e.resource, QStringLiteral("effectiveDateTime"));
    m_writer.insert(QStringLiteral("EVENT"), {{QStringLiteral("Id_Ref"), m_personId},
                                              {QStringLiteral("Date_Event"), orNull(when.date)},
                                              {QStringLiteral("Time_Event"), orNull(when.time)},
                                              {QStringLiteral("Description"),
                                               orNull(readText(e.resource, QStringLiteral("valueString")))}});
    ++m_result.resources;
}

void BundleReader::contactInto(QVariantMap& values, const QJsonObject& r)
{
    for (const QJsonValue& v : array(r, "telecom")) {
        const QJsonObject point = v.toObject();
        const QString system = point.value(QStringLiteral("system")).toString();
        const QString column = system == QLatin1String("phone")   ? QStringLiteral("Phone")
                               : system == QLatin1String("fax")   ? QStringLiteral("Fax")
                               : system == QLatin1String("email") ? QStringLiteral("Email")
                                                                  : QString();
        if (!column.isEmpty() && !values.contains(column))
            values.insert(column, orNull(readText(point, QStringLiteral("value"))));
    }
    const QJsonObject address = first(r, "address");
    values.insert(QStringLiteral("Address"), orNull(firstText(address, QStringLiteral("line"))));
    values.insert(QStringLiteral("City"), orNull(readText(address, QStringLiteral("city"))));
    values.insert(QStringLiteral("CP"), orNull(readText(address, QStringLiteral("postalCode"))));
    values.insert(QStringLiteral("Country"), orNull(readText(address, QStringLiteral("country"))));
    values.insert(QStringLiteral("Note"), orNull(extensionText(r, T::note)));
}

QVariant BundleReader::doctor(const QJsonObject& holder, const char* key)
{
    const QJsonObject p = resolve(holder, key);
    if (p.value(QStringLiteral("resourceType")).toString() != QLatin1String("Practitioner"))
        return {};
    const QJsonObject name = first(p, "name");
    QString text = readText(name, QStringLiteral("text"));
    if (text.isEmpty())
        text = QStringList{firstText(name, QStringLiteral("given")), readText(name, QStringLiteral("family"))}
                   .join(QLatin1Char(' '))
                   .trimmed();
    QVariantMap values{
        {QStringLiteral("Name"), text},
        {QStringLiteral("Category"), orNull(conceptText(object(first(p, "qualification"), "code")))},
        {QStringLiteral("Convention"),
         extension(p, T::convention).value(QStringLiteral("valueBoolean")).toBool() ? 1 : 0}};
    contactInto(values, p);
    const int id = m_lists.find(QStringLiteral("LST_DOCTOR"), values);
    return id < 0 ? QVariant() : QVariant(id);
}

QVariant BundleReader::pharmacy(const QJsonObject& holder, const char* key)
{
    const QJsonObject o = resolve(holder, key);
    if (o.value(QStringLiteral("resourceType")).toString() != QLatin1String("Organization"))
        return {};
    QVariantMap values{{QStringLiteral("Name"), readText(o, QStringLiteral("name"))},
                       {QStringLiteral("Category"), orNull(conceptText(first(o, "type")))}};
    contactInto(values, o);
    const int id = m_lists.find(QStringLiteral("LST_PHARMACY"), values);
    return id < 0 ? QVariant() : QVariant(id);
}

QVariant BundleReader::listEntry(const char* table, const QJsonObject& codeable, bool withGravity)
{
    QVariantMap values{{QStringLiteral("Title"), conceptText(codeable)},
                       {QStringLiteral("Description"), orNull(listEntryText(codeable, "description"))},
                       {QStringLiteral("Category"), orNull(listEntryText(codeable, "category"))}};
    if (withGravity)
        values.insert(QStringLiteral("Gravity"), orNull(listEntryText(codeable, "gravity")));
    const int id = m_lists.find(QLatin1String(table), values);
    return id < 0 ? QVariant() : QVariant(id);
}

void BundleReader::immunization(const Entry& e)
{
    const QJsonObject& r = e.resource;
    const StoredTexts when = readMoment(r, QStringLiteral("occurrenceDateTime"));
    QVariant booster;
    for (const QJsonValue& v : array(r, "note")) {
        const QJsonObject b = extension(v.toObject(), T::boosterDate);
        if (!b.isEmpty())
            booster = orNull(readMoment(b, QStringLiteral("valueDate")).date);
    }
    m_writer.insert(
        QStringLiteral("VACCINE"),
        {{QStringLiteral("Id_Ref"), m_personId},
         {QStringLiteral("Id_Vaccine"), listEntry("LST_VACCINE", object(r, "vaccineCode"), false)},
         {QStringLiteral("Id_Org"), doctor(first(r, "performer"), "actor")},
         {QStringLiteral("Date_Vaccine"), orNull(when.date)},
         {QStringLiteral("Time_Vaccine"), orNull(when.time)},
         {QStringLiteral("Remark1"), orNull(notes(r))},
         {QStringLiteral("Repeat_Date"), booster},
         {QStringLiteral("Repeat_Exe"),
          extension(r, T::boosterPending).value(QStringLiteral("valueBoolean")).toBool() ? 1 : 0}});
    ++m_result.resources;
}

void BundleReader::act(const Entry& e, CareQueries::ActKind kind)
{
    const QJsonObject& r = e.resource;
    const int i = static_cast<int>(&e - m_entries.data());
    QVariantMap values{{QStringLiteral("Id_Ref"), m_personId},
                       {QStringLiteral("Tag"), CareQueries::tagOf(kind)}};
    StoredTexts when;
    if (kind == CareQueries::ActKind::Consultation) {
        values.insert(QStringLiteral("Id_Org"), doctor(first(r, "participant"), "individual"));
        when = readMoment(object(r, "period"), QStringLiteral("start"));
        QStringList purposes;
        for (const QJsonValue& v : array(r, "reasonCode")) {
            const QJsonObject reason = v.toObject();
            if (hasCoding(reason, T::illnesses) && !values.contains(QStringLiteral("Id_Illness")))
                values.insert(QStringLiteral("Id_Illness"), listEntry("LST_ILLNESS", reason, true));
            else
                purposes << conceptText(reason);
        }
        values.insert(QStringLiteral("Remark1"), orNull(purposes.join(QLatin1Char('\n'))));
        values.insert(QStringLiteral("Remark2"), orNull(extensionText(r, T::practitionerRemark)));
        values.insert(QStringLiteral("Gravity"), orNull(extensionText(r, T::gravity)));
    } else {
        values.insert(QStringLiteral("Id_Org"), pharmacy(first(r, "performer"), "actor"));
        QJsonObject medication = object(r, "medicationCodeableConcept");
        if (medication.isEmpty())
            medication = object(resolve(r, "medicationReference"), "code");
        values.insert(QStringLiteral("Id_Drug"), listEntry("LST_DRUG", medication, false));
        when = readMoment(r, QStringLiteral("whenHandedOver"));
        values.insert(QStringLiteral("Remark1"), orNull(notes(r)));
    }
    values.insert(QStringLiteral("Date_Action"), orNull(when.date));
    values.insert(QStringLiteral("Time_Action"), orNull(when.time));

    // A payer without its claim keeps a new act's defaults: not reimbursed, 0.
    const char* suffix[] = {"", "_Comp"};
    for (int payer = 0; payer < 2; ++payer) {
        const QString sfx = QLatin1String(suffix[payer]);
        const auto claim = m_claims[payer].constFind(i);
        if (claim == m_claims[payer].constEnd()) {
            values.insert(QStringLiteral("Repayment") + sfx, 0);
            values.insert(QStringLiteral("Price_Repayment") + sfx, 0);
            continue;
        }
        std::optional<Money::Amount> price, benefit;
        for (const QJsonValue& v : array(*claim, "total")) {
            const QJsonObject total = v.toObject();
            if (hasCoding(object(total, "category"), T::adjudication, QStringLiteral("submitted")))
                price = readMoney(object(total, "amount"));
            else if (hasCoding(object(total, "category"), T::adjudication, QStringLiteral("benefit")))
                benefit = readMoney(object(total, "amount"));
        }
        const QJsonObject payment = object(*claim, "payment");
        if (!benefit)
            benefit = readMoney(object(payment, "amount"));
        if (price && !values.contains(QStringLiteral("Price")))
            values.insert(QStringLiteral("Price"), amountOrNull(price));
        values.insert(QStringLiteral("Repayment") + sfx,
                      claim->value(QStringLiteral("outcome")).toString() == QLatin1String("complete") ? 1
                                                                                                      : 0);
        values.insert(QStringLiteral("Date_Repayment") + sfx,
                      orNull(readMoment(payment, QStringLiteral("date")).date));
        values.insert(QStringLiteral("Price_Repayment") + sfx, amountOrNull(benefit));
    }
    m_writer.insert(QStringLiteral("ACTION"), values);
    for (int payer = 0; payer < 2; ++payer)
        if (m_claimEntries[payer].contains(i))
            m_taken.insert(m_claimEntries[payer].value(i));
    ++m_result.resources;
}

void BundleReader::document(const Entry& e)
{
    const QJsonObject& r = e.resource;
    const QJsonObject type = object(r, "type");
    QJsonObject main, small;
    for (const QJsonValue& v : array(r, "content")) {
        const QJsonObject c = v.toObject();
        const QJsonObject format = object(c, "format");
        const bool extra = format.value(QStringLiteral("system")).toString() == T::kinds;
        if (extra && small.isEmpty())
            small = object(c, "attachment");
        else if (!extra && main.isEmpty())
            main = object(c, "attachment");
    }
    const QString contentType = main.value(QStringLiteral("contentType")).toString();
    const bool picture =
        hasCoding(type, T::kinds, T::Kind::picture) ||
        (!hasCoding(type, T::kinds, T::Kind::file) && contentType == QLatin1String("image/jpeg"));
    const QByteArray data = content(main, s("le document"));
    const QByteArray extra = small.isEmpty() ? QByteArray() : content(small, s("sa vignette"));
    if (picture) {
        Bitmap bitmap;
        if (!decodeJpeg(bitmap, data, true))
            throw FhirError(s("ce n'est pas une image JPEG lisible"));
        const QString title = readText(r, QStringLiteral("description"));
        const int id =
            m_writer.insert(QStringLiteral("DOCUMENTIMG"),
                            {{QStringLiteral("Id_File"), 0},
                             {QStringLiteral("Id_Ref"), m_personId},
                             {QStringLiteral("Title"),
                              orNull(title.isEmpty() ? readText(main, QStringLiteral("title")) : title)},
                             {QStringLiteral("ImgMini"),
                              extra.isEmpty() ? BmpFormat::encode(thumbnailOnWhite(bitmap, 90, 90)) : extra},
                             {QStringLiteral("DoType"), 1}});
        stage(StoredFiles::documentPicture(m_folder, id), data);
    } else {
        QString name = readText(main, QStringLiteral("title"));
        const QMimeType mime = QMimeDatabase().mimeTypeForName(contentType);
        if (name.isEmpty())
            name = QStringLiteral("document") +
                   (mime.preferredSuffix().isEmpty() ? QString() : QLatin1Char('.') + mime.preferredSuffix());
        QString fileType = readText(type, QStringLiteral("text"));
        if (fileType.isEmpty())
            fileType = FileUtils::typeDescription(name);
        const QString sizeShown = elementExtension(main, QStringLiteral("size"), T::originalText).isEmpty()
                                      ? FileUtils::sizeText(data.size())
                                      : readText(main, QStringLiteral("size"));
        const int id =
            m_writer.insert(QStringLiteral("DOCUMENTFILE"),
                            {{QStringLiteral("Id_File"), 0},
                             {QStringLiteral("Id_Ref"), m_personId},
                             {QStringLiteral("FileName"), name},
                             {QStringLiteral("FileType"), orNull(fileType)},
                             {QStringLiteral("FileSize"), sizeShown},
                             {QStringLiteral("Remark"), orNull(readText(r, QStringLiteral("description")))},
                             {QStringLiteral("FileIcon"), extra.isEmpty() ? QVariant() : QVariant(extra)},
                             {QStringLiteral("DoType"), 1}});
        stageArchive(StoredFiles::attachedFile(m_folder, id), name, data);
    }
    ++m_result.resources;
}

} // namespace

ImportResult importBundle(const Records& records, const QJsonObject& bundle)
{
    return BundleReader(records).run(bundle);
}

ImportResult importFile(const Records& records, const QString& file)
{
    const QByteArray bytes = FileUtils::readFile(file);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw FhirError(s("Le fichier \"%1\" n'est pas un fichier JSON lisible (%2, au caractère %3).")
                            .arg(FileUtils::shownPath(file), error.errorString())
                            .arg(error.offset));
    if (!document.isObject())
        throw FhirError(s("Le fichier \"%1\" n'est pas un paquet FHIR.").arg(FileUtils::shownPath(file)));
    return importBundle(records, document.object());
}

} // namespace FhirImport
