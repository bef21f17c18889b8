#include "FhirExport.h"

#include "Cabinet.h"
#include "CareQueries.h"
#include "Errors.h"
#include "FhirError.h"
#include "FhirTerms.h"
#include "FhirValues.h"
#include "FileUtils.h"
#include "Formats.h"
#include "RecordIdentity.h"
#include "RecordRows.h"
#include "StoredFiles.h"

#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <thread>

using namespace FhirValues;
namespace T = FhirTerms;

namespace FhirExport {
namespace {

QString s(const char* latin1)
{
    return QString::fromUtf8(latin1);
}

// A text kept in an array element (a given name, an address line).
void putTextInArray(QJsonObject& object, const QString& key, const QString& text)
{
    QJsonObject holder;
    putText(holder, QStringLiteral("v"), text);
    if (holder.contains(QStringLiteral("v")))
        object.insert(key, QJsonArray{holder.value(QStringLiteral("v"))});
    if (holder.contains(QStringLiteral("_v")))
        object.insert(QLatin1Char('_') + key, QJsonArray{holder.value(QStringLiteral("_v"))});
}

QJsonObject annotation(const QString& text)
{
    QJsonObject a;
    putText(a, QStringLiteral("text"), text);
    return a;
}

QJsonObject complexExtension(const QString& url, const QJsonArray& parts)
{
    if (parts.isEmpty())
        return {};
    return {{QStringLiteral("url"), url}, {QStringLiteral("extension"), parts}};
}

// A concept no row stands behind: its reference points nowhere.
QJsonObject unknownConcept()
{
    return {{QStringLiteral("extension"),
             QJsonArray{
                 QJsonObject{{QStringLiteral("url"),
                              QStringLiteral("http://hl7.org/fhir/StructureDefinition/data-absent-reason")},
                             {QStringLiteral("valueCode"), QStringLiteral("unknown")}}}}};
}

QString sha1(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toBase64());
}

using WriteBytes = std::function<void(const QByteArray&)>;

// The bundle's entries turned into JSON text on a second thread while the
// next rows are read and made into resources, and handed on in order as
// they come: the whole record is never held as one tree, whose building and
// writing out took most of an export.
class EntryWriter
{
public:
    explicit EntryWriter(WriteBytes write) : m_write(std::move(write)), m_thread([this] { run(); }) {}
    ~EntryWriter()
    {
        {
            // Left before finish(): the export failed, what waits is dropped.
            std::lock_guard lock(m_mutex);
            m_queue.clear();
            m_closed = true;
            m_changed.notify_all();
        }
        m_thread.join();
    }
    EntryWriter(const EntryWriter&) = delete;
    EntryWriter& operator=(const EntryWriter&) = delete;

    // The url is the program's own "urn:uuid:…", written as it stands.
    void add(const QString& fullUrl, QJsonObject resource)
    {
        m_batch.push_back({fullUrl, std::move(resource)});
        ++m_count;
        if (m_batch.size() == kBatch)
            hand(false);
    }
    // Waits for every entry to be written; a failure to write (a full disk)
    // is thrown here, or at the next add() once it has happened.
    void finish()
    {
        hand(true);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_done || m_failure; });
        if (m_failure)
            std::rethrow_exception(m_failure);
    }
    int count() const { return m_count; }

private:
    static constexpr std::size_t kBatch = 64;
    static constexpr std::size_t kWaiting = 16; // batches made but not written yet, at most

    void hand(bool last)
    {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_failure || m_queue.size() < kWaiting; });
            if (m_failure)
                std::rethrow_exception(m_failure);
            m_queue.push_back(std::move(m_batch));
            m_batch = {};
            m_closed = last;
            // Freed where they were made: freeing on the other thread costs
            // the allocator more than the writing saves.
            std::swap(m_written, m_spent);
            m_changed.notify_all();
        }
        m_spent.clear();
    }
    void run()
    {
        bool first = true;
        QByteArray text;
        for (;;) {
            std::vector<Entry> batch;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_closed || !m_queue.empty(); });
                if (m_queue.empty()) {
                    m_done = true;
                    m_changed.notify_all();
                    return;
                }
                batch = std::move(m_queue.front());
                m_queue.pop_front();
                m_changed.notify_all();
            }
            text.resize(0);
            for (const Entry& entry : batch) {
                text += first ? R"({"fullUrl":")" : R"(,{"fullUrl":")";
                first = false;
                text += entry.fullUrl.toLatin1();
                text += R"(","resource":)";
                text += QJsonDocument(entry.resource).toJson(QJsonDocument::Compact);
                text += '}';
            }
            {
                std::lock_guard lock(m_mutex);
                m_written.push_back(std::move(batch));
            }
            try {
                if (!text.isEmpty())
                    m_write(text);
            } catch (...) {
                std::lock_guard lock(m_mutex);
                m_failure = std::current_exception();
                m_changed.notify_all();
                return;
            }
        }
    }

    struct Entry
    {
        QString fullUrl;
        QJsonObject resource;
    };
    WriteBytes m_write;
    std::vector<Entry> m_batch; // the maker's own, not shared
    int m_count = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<Entry>> m_queue;
    std::vector<std::vector<Entry>> m_written; // by the writer, waiting to be freed by the maker
    std::vector<std::vector<Entry>> m_spent;   // the maker's, freed as it goes
    bool m_closed = false;
    bool m_done = false;
    std::exception_ptr m_failure;
    std::thread m_thread; // last: it starts once the rest is made
};

class BundleBuilder
{
public:
    BundleBuilder(const Records& records, int personId, const ExportOptions& options, ExportResult& result)
        : m_db(records.db), m_folder(records.databaseFolder), m_personId(personId), m_options(options),
          m_result(result), m_ids(RecordIdentity::databaseNamespace(records.db))
    {
    }

    // Writes the bundle's JSON text in pieces, in order.
    void write(const WriteBytes& out);

private:
    QJsonObject resource(const char* type, const QString& table, int id, const QString& part = {}) const;
    QString add(const QJsonObject& resource);
    QJsonObject subject() const { return reference(m_patientUrl); }

    void patient(const Row& person);
    void personObservations(const Row& person);
    void payers(const Row& person, bool hasActs);
    void history(const Row& person);
    void measures(const char* table, const char* column, const QString& loinc, const QString& display,
                  const QString& unit, std::map<QString, QString>& byDate, std::map<QString, double>& values);
    void bodyMassIndex(const std::map<QString, QString>& weightByDate,
                       const std::map<QString, double>& weights, const std::map<QString, QString>& sizeByDate,
                       const std::map<QString, double>& sizes);
    void analyses();
    QJsonObject analysisCode(int catalogueId) const;
    QJsonObject unitConcept(const QString& unit) const;
    void putDefinition(QJsonObject& definition, const Row& row) const;
    QString catalogueDefinition(int catalogueId);
    void vaccinations();
    void acts();
    void claims(const Row& act, const QString& actUrl, const QString& providerUrl);
    void events();
    void pictures();
    void files();

    QString practitioner(int doctorId);
    QString pharmacy(int pharmacyId);
    QJsonObject listConcept(const QHash<int, Row>& list, const char* table, const QString& system,
                            const Row& row, const QString& column, bool withGravity) const;
    QJsonObject listConceptOf(const QHash<int, Row>& list, const char* table, const QString& system, int id,
                              bool withGravity) const;
    static void contact(QJsonObject& resource, const Row& row);

    // The content of a stored file when the options let it go, else nothing.
    bool takesContent(qint64 size, const QString& title);
    QJsonObject attachment(const QString& contentType, const QByteArray& data, const QString& title) const;

    QSqlDatabase m_db;
    QString m_folder;
    int m_personId;
    ExportOptions m_options;
    ExportResult& m_result;
    Identities m_ids;
    EntryWriter* m_entries = nullptr;
    QString m_patientUrl;
    QString m_payerUrls[2];    // the two payers' organisations
    QString m_coverageUrls[2]; // and their coverages
    QHash<int, Row> m_doctors, m_pharmacies, m_illnesses, m_drugs, m_vaccines, m_catalogue;
    QHash<int, QString> m_doctorUrls, m_pharmacyUrls, m_catalogueUrls;
    mutable QHash<QString, QJsonObject> m_concepts;
};

QJsonObject BundleBuilder::resource(const char* type, const QString& table, int id, const QString& part) const
{
    const QString uuid = m_ids.id(table, id, part);
    return {{QStringLiteral("resourceType"), QLatin1String(type)},
            {QStringLiteral("id"), uuid},
            {QStringLiteral("identifier"),
             QJsonArray{QJsonObject{{QStringLiteral("system"), T::uriIdentifier},
                                    {QStringLiteral("value"), QStringLiteral("urn:uuid:") + uuid}}}}};
}

QString BundleBuilder::add(const QJsonObject& r)
{
    const QString url = QStringLiteral("urn:uuid:") + r.value(QStringLiteral("id")).toString();
    m_entries->add(url, r);
    return url;
}

void BundleBuilder::write(const WriteBytes& out)
{
    const std::vector<Row> people =
        RecordRows::read(m_db, QStringLiteral("SELECT * FROM PERSON WHERE Id=?"), {m_personId});
    if (people.empty())
        throw FhirError(QStringLiteral("Le carnet de santé n° %1 n'existe pas.").arg(m_personId));
    const Row& person = people.front();
    for (auto [rows, table] :
         {std::pair{&m_doctors, "LST_DOCTOR"}, std::pair{&m_pharmacies, "LST_PHARMACY"},
          std::pair{&m_illnesses, "LST_ILLNESS"}, std::pair{&m_drugs, "LST_DRUG"},
          std::pair{&m_vaccines, "LST_VACCINE"}, std::pair{&m_catalogue, "LST_ANALYSIS"}})
        *rows = RecordRows::byId(m_db, QString::fromLatin1(table));

    // The bundle's own elements first, its entries as they are made.
    const QJsonObject bundle{
        {QStringLiteral("resourceType"), QStringLiteral("Bundle")},
        {QStringLiteral("id"), m_ids.id(QStringLiteral("BUNDLE"), m_personId)},
        {QStringLiteral("type"), QStringLiteral("collection")},
        {QStringLiteral("timestamp"), QDateTime::currentDateTime()
                                          .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                                          .toString(Qt::ISODate)}};
    QByteArray opening = QJsonDocument(bundle).toJson(QJsonDocument::Compact);
    opening.chop(1);
    out(opening + R"(,"entry":[)");
    EntryWriter entries(out);
    m_entries = &entries;

    patient(person);
    personObservations(person);
    history(person);
    const bool hasActs =
        !RecordRows::read(m_db, QStringLiteral("SELECT 1 FROM [ACTION] WHERE Id_Ref=? LIMIT 1"), {m_personId})
             .empty();
    payers(person, hasActs);

    std::map<QString, QString> weightByDate, sizeByDate;
    std::map<QString, double> weights, sizes;
    measures("WEIGHT", "Weight", T::Loinc::bodyWeight, s("Body weight"), QStringLiteral("kg"), weightByDate,
             weights);
    measures("SIZE", "Size", T::Loinc::bodyHeight, s("Body height"), QStringLiteral("cm"), sizeByDate, sizes);
    bodyMassIndex(weightByDate, weights, sizeByDate, sizes);
    analyses();
    vaccinations();
    acts();
    events();
    pictures();
    files();

    entries.finish();
    m_entries = nullptr;
    out("]}");
    m_result.personId = m_personId;
    m_result.resources = entries.count();
}

void BundleBuilder::patient(const Row& person)
{
    QJsonObject p = resource("Patient", QStringLiteral("PERSON"), m_personId);
    m_patientUrl = m_ids.fullUrl(QStringLiteral("PERSON"), m_personId);

    // The number is the NIR when all its 15 digits are there, in the
    // groups the entry mask stores; any other text is kept as typed.
    const QString number = person.text(QStringLiteral("No"));
    if (!number.isEmpty()) {
        QString digits = number;
        digits.remove(QLatin1Char(' '));
        static const QRegularExpression nir(QStringLiteral("^\\d{15}$"));
        QJsonObject id;
        if (nir.match(digits).hasMatch()) {
            id.insert(QStringLiteral("system"), T::nir);
            putTextShown(id, QStringLiteral("value"), digits, number);
        } else {
            putText(id, QStringLiteral("value"), number);
        }
        id.insert(QStringLiteral("type"), QJsonObject{{QStringLiteral("text"), s("N° de sécurité social")}});
        QJsonArray ids = p.value(QStringLiteral("identifier")).toArray();
        ids.append(id);
        p.insert(QStringLiteral("identifier"), ids);
    }

    QJsonObject name;
    putText(name, QStringLiteral("family"), person.text(QStringLiteral("Name")));
    putTextInArray(name, QStringLiteral("given"), person.text(QStringLiteral("ForeName")));
    if (!name.isEmpty())
        p.insert(QStringLiteral("name"), QJsonArray{name});

    const QString sexColumn =
        RecordRows::column(m_db, QStringLiteral("PERSON"), QStringLiteral("Sex")).isEmpty()
            ? RecordRows::column(m_db, QStringLiteral("PERSON"), QStringLiteral("Sexe"))
            : RecordRows::column(m_db, QStringLiteral("PERSON"), QStringLiteral("Sex"));
    if (!sexColumn.isEmpty() && !person.text(sexColumn).isEmpty()) {
        const QVariant v = person.value(sexColumn);
        const QString text = person.text(sexColumn);
        QString gender = QStringLiteral("unknown"), canonical;
        if (v.typeId() == QMetaType::QString) {
            if (text.startsWith(u'F', Qt::CaseInsensitive))
                gender = QStringLiteral("female"), canonical = s("Féminin");
            else if (text.startsWith(u'M', Qt::CaseInsensitive))
                gender = QStringLiteral("male"), canonical = s("Masculin");
        } else if (v.toInt() == 1 || v.toInt() == 2) {
            // The NIR's own convention: 1 a man, 2 a woman.
            gender = v.toInt() == 1 ? QStringLiteral("male") : QStringLiteral("female");
            canonical = text;
        }
        putTextShown(p, QStringLiteral("gender"), gender, canonical == text ? gender : text);
        if (canonical == text)
            p.remove(QStringLiteral("_gender"));
    }

    const Moment birth = birthMoment(person.text(QStringLiteral("BirthDay_Date")),
                                     person.text(QStringLiteral("BirthDay_Time")));
    const std::optional<QTime> birthTime = readTime(birth.timeText);
    if (birth.date.isValid()) {
        p.insert(QStringLiteral("birthDate"), birth.date.toString(Formats::isoDate));
        if (birthTime)
            addElementExtension(p, QStringLiteral("birthDate"),
                                {{QStringLiteral("url"), T::birthTime},
                                 {QStringLiteral("valueDateTime"), dateTimeText(birth.date, *birthTime)}});
    } else if (!birth.dateText.isEmpty()) {
        addElementExtension(p, QStringLiteral("birthDate"), textExtension(T::dateText, birth.dateText));
    }
    if (!birth.timeText.isEmpty() && !(birth.date.isValid() && birthTime))
        addElementExtension(p, QStringLiteral("birthDate"), textExtension(T::timeText, birth.timeText));

    const QString city = person.text(QStringLiteral("BirthDay_City"));
    if (!city.isEmpty()) {
        QJsonObject address;
        putText(address, QStringLiteral("text"), city);
        addExtension(p, {{QStringLiteral("url"), T::birthPlace}, {QStringLiteral("valueAddress"), address}});
    }

    const std::vector<Row> labels = RecordRows::read(m_db, QStringLiteral("SELECT * FROM CUSTOMLAB LIMIT 1"));
    for (int k = 1; k <= 12; ++k) {
        const QString column = QStringLiteral("Misc%1").arg(k, 2, 10, QLatin1Char('0'));
        const QString value = person.text(column);
        if (value.isEmpty())
            continue;
        QJsonArray parts{QJsonObject{{QStringLiteral("url"), QStringLiteral("number")},
                                     {QStringLiteral("valueInteger"), k}}};
        const QJsonObject label =
            textExtension(QStringLiteral("label"), labels.empty() ? QString() : labels.front().text(column));
        if (!label.isEmpty())
            parts.append(label);
        parts.append(textExtension(QStringLiteral("value"), value));
        addExtension(p, complexExtension(T::customField, parts));
    }

    QJsonArray axes;
    for (auto [column, part] : {std::pair{"WeightMode", "weight"}, std::pair{"SizeMode", "size"},
                                std::pair{"AnalysisMode", "analysis"}})
        if (!person.isNull(QLatin1String(column)))
            axes.append(QJsonObject{{QStringLiteral("url"), QLatin1String(part)},
                                    {QStringLiteral("valueInteger"), person.integer(QLatin1String(column))}});
    addExtension(p, complexExtension(T::chartAxes, axes));

    const QString photoFile = StoredFiles::photo(m_folder, m_personId);
    const QByteArray thumbnail = person.bytes(QStringLiteral("ImgMini1"));
    if (QFileInfo::exists(photoFile) || !thumbnail.isEmpty()) {
        QJsonArray photos;
        if (QFileInfo::exists(photoFile) && takesContent(QFileInfo(photoFile).size(), s("Photo"))) {
            try {
                photos.append(
                    attachment(QStringLiteral("image/jpeg"), FileUtils::readFile(photoFile), s("Photo")));
            } catch (const FileError& e) {
                m_result.problems << s("Photo : ") + e.text();
            }
        }
        if (!thumbnail.isEmpty() && m_options.includeDocuments)
            photos.append(attachment(QStringLiteral("image/bmp"), thumbnail, s("Vignette")));
        if (!photos.isEmpty())
            p.insert(QStringLiteral("photo"), photos);
    }
    add(p);
}

void BundleBuilder::personObservations(const Row& person)
{
    const Moment birth = birthMoment(person.text(QStringLiteral("BirthDay_Date")),
                                     person.text(QStringLiteral("BirthDay_Time")));
    const auto observation = [&](const char* part, const QString& code, const char* display,
                                 const char* category) {
        QJsonObject o = resource("Observation", QStringLiteral("PERSON"), m_personId, QLatin1String(part));
        o.insert(QStringLiteral("status"), QStringLiteral("final"));
        o.insert(QStringLiteral("category"),
                 QJsonArray{codeable(coding(T::observationCategory, QLatin1String(category)))});
        o.insert(QStringLiteral("code"), codeable(coding(T::loinc, code, s(display)), s(display)));
        o.insert(QStringLiteral("subject"), subject());
        return o;
    };
    for (auto [column, part, code, display, unit] :
         {std::tuple{"BirthDay_Weight", "birth-weight", T::Loinc::birthWeight, "Birth weight Measured", "kg"},
          std::tuple{"BirthDay_Size", "birth-length", T::Loinc::birthLength,
                     "Body height Measured --at birth", "cm"}}) {
        const std::optional<double> value = person.number(QLatin1String(column));
        if (!value || !std::isfinite(*value))
            continue;
        QJsonObject o = observation(part, code, display, "vital-signs");
        if (birth.date.isValid())
            o.insert(QStringLiteral("effectiveDateTime"), birth.date.toString(Formats::isoDate));
        o.insert(QStringLiteral("valueQuantity"), quantity(*value, QLatin1String(unit), QLatin1String(unit)));
        add(o);
    }
    const QString blood = person.text(QStringLiteral("Blood"));
    if (!blood.isEmpty()) {
        QJsonObject o = observation("blood-group", T::Loinc::bloodGroup, "ABO and Rh group [Type] in Blood",
                                    "laboratory");
        QJsonObject value;
        putText(value, QStringLiteral("text"), blood);
        o.insert(QStringLiteral("valueCodeableConcept"), value);
        add(o);
    }
}

void BundleBuilder::history(const Row& person)
{
    const QString previous = person.text(QStringLiteral("Previous"));
    if (previous.isEmpty())
        return;
    QJsonObject c = resource("Condition", QStringLiteral("PERSON"), m_personId, QStringLiteral("history"));
    c.insert(QStringLiteral("category"),
             QJsonArray{codeable(coding(T::conditionCategory, QStringLiteral("problem-list-item")))});
    c.insert(QStringLiteral("code"),
             codeable(coding(T::kinds, T::Kind::history, s("Antécédents")), s("Antécédents")));
    c.insert(QStringLiteral("subject"), subject());
    c.insert(QStringLiteral("note"), QJsonArray{annotation(previous)});
    add(c);
}

void BundleBuilder::payers(const Row& person, bool hasActs)
{
    const struct
    {
        const char* column;
        QString kind;
        const char* display;
    } payers[] = {{"Org_Secu", T::Kind::nationalInsurance, "Sécurité sociale"},
                  {"Org_Comp", T::Kind::complementary, "Caisse complémentaire"}};
    for (int i = 0; i < 2; ++i) {
        const QString memo = person.text(QLatin1String(payers[i].column));
        if (memo.isEmpty() && !hasActs)
            continue;
        QJsonObject org = resource("Organization", QStringLiteral("PERSON"), m_personId, payers[i].kind);
        // The insurer's name is the memo's first line; the memo goes along whole.
        putTextShown(org, QStringLiteral("name"),
                     memo.section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0).trimmed(), memo);
        m_payerUrls[i] = add(org);
        QJsonObject coverage = resource("Coverage", QStringLiteral("PERSON"), m_personId,
                                        payers[i].kind + QStringLiteral("-coverage"));
        coverage.insert(QStringLiteral("status"), QStringLiteral("active"));
        coverage.insert(
            QStringLiteral("type"),
            codeable(coding(T::kinds, payers[i].kind, s(payers[i].display)), s(payers[i].display)));
        coverage.insert(QStringLiteral("beneficiary"), subject());
        coverage.insert(QStringLiteral("payor"), QJsonArray{reference(m_payerUrls[i])});
        m_coverageUrls[i] = add(coverage);
    }
}

void BundleBuilder::measures(const char* table, const char* column, const QString& loinc,
                             const QString& display, const QString& unit, std::map<QString, QString>& byDate,
                             std::map<QString, double>& values)
{
    const QString t = QLatin1String(table), c = QLatin1String(column);
    for (const Row& row : RecordRows::read(
             m_db, QStringLiteral("SELECT * FROM [%1] WHERE Id_Ref=? ORDER BY Date_%2, Id").arg(t, c),
             {m_personId})) {
        const int id = row.integer(QStringLiteral("Id"));
        QJsonObject o = resource("Observation", t, id);
        o.insert(QStringLiteral("status"), QStringLiteral("final"));
        o.insert(QStringLiteral("category"),
                 QJsonArray{codeable(coding(T::observationCategory, QStringLiteral("vital-signs")))});
        o.insert(QStringLiteral("code"), codeable(coding(T::loinc, loinc, display), display));
        o.insert(QStringLiteral("subject"), subject());
        const Moment when =
            storedMoment(row.text(QStringLiteral("Date_") + c), row.text(QStringLiteral("Time_") + c));
        putMoment(o, QStringLiteral("effectiveDateTime"), when);
        const std::optional<double> value = row.number(c);
        if (value && std::isfinite(*value))
            o.insert(QStringLiteral("valueQuantity"), quantity(*value, unit, unit));
        const QString remark = row.text(QStringLiteral("Remark"));
        if (!remark.isEmpty())
            o.insert(QStringLiteral("note"), QJsonArray{annotation(remark)});
        const QString url = add(o);
        if (when.date.isValid() && value && *value > 0 && !byDate.count(when.dateText)) {
            byDate[when.dateText] = url;
            values[when.dateText] = *value;
        }
    }
}

void BundleBuilder::bodyMassIndex(const std::map<QString, QString>& weightByDate,
                                  const std::map<QString, double>& weights,
                                  const std::map<QString, QString>& sizeByDate,
                                  const std::map<QString, double>& sizes)
{
    // Only where both were measured on the same day; derived, so a reader
    // of the program's own bundles leaves it.
    int n = 0;
    for (const auto& [date, weightUrl] : weightByDate) {
        const auto size = sizeByDate.find(date);
        if (size == sizeByDate.end())
            continue;
        const double metres = sizes.at(date) / 100.0;
        const double bmi = std::round(weights.at(date) / (metres * metres) * 10.0) / 10.0;
        QJsonObject o =
            resource("Observation", QStringLiteral("PERSON"), m_personId, QStringLiteral("bmi/%1").arg(++n));
        o.insert(QStringLiteral("status"), QStringLiteral("final"));
        o.insert(QStringLiteral("category"),
                 QJsonArray{codeable(coding(T::observationCategory, QStringLiteral("vital-signs")))});
        o.insert(QStringLiteral("code"),
                 codeable(coding(T::loinc, T::Loinc::bodyMassIndex, s("Body mass index (BMI) [Ratio]")),
                          s("Indice de masse corporelle")));
        o.insert(QStringLiteral("subject"), subject());
        o.insert(QStringLiteral("effectiveDateTime"), date);
        o.insert(QStringLiteral("valueQuantity"),
                 quantity(bmi, QStringLiteral("kg/m2"), QStringLiteral("kg/m2")));
        o.insert(QStringLiteral("derivedFrom"), QJsonArray{reference(weightUrl), reference(size->second)});
        add(o);
    }
}

QJsonObject BundleBuilder::unitConcept(const QString& unit) const
{
    const QString code = ucumCode(unit);
    return codeable(code.isEmpty() ? QJsonObject() : coding(T::ucum, code), unit);
}

QJsonObject BundleBuilder::analysisCode(int catalogueId) const
{
    const auto it = m_catalogue.constFind(catalogueId);
    if (it == m_catalogue.constEnd())
        return unknownConcept();
    const QString title = it->text(QStringLiteral("Title"));
    return codeable(coding(T::analyses, m_ids.id(QStringLiteral("LST_ANALYSIS"), catalogueId), title), title);
}

static QJsonObject range(std::optional<double> low, std::optional<double> high, const QString& unit)
{
    QJsonObject r;
    const QString code = ucumCode(unit);
    if (low && std::isfinite(*low))
        r.insert(QStringLiteral("low"), quantity(*low, unit, code));
    if (high && std::isfinite(*high))
        r.insert(QStringLiteral("high"), quantity(*high, unit, code));
    return r;
}

// The unit, decimals and normal range of a catalogue row or of the person's copy.
void BundleBuilder::putDefinition(QJsonObject& d, const Row& row) const
{
    const QString unit = row.text(QStringLiteral("Unit"));
    QJsonObject details;
    if (!unit.isEmpty())
        details.insert(QStringLiteral("unit"), unitConcept(unit));
    if (!row.isNull(QStringLiteral("Decimal")))
        details.insert(QStringLiteral("decimalPrecision"), row.integer(QStringLiteral("Decimal")));
    if (!details.isEmpty())
        d.insert(QStringLiteral("quantitativeDetails"), details);
    const QJsonObject r =
        range(row.number(QStringLiteral("Value_Min")), row.number(QStringLiteral("Value_Max")), unit);
    if (!r.isEmpty())
        d.insert(QStringLiteral("qualifiedInterval"),
                 QJsonArray{QJsonObject{{QStringLiteral("category"), QStringLiteral("reference")},
                                        {QStringLiteral("range"), r}}});
}

QString BundleBuilder::catalogueDefinition(int catalogueId)
{
    if (m_catalogueUrls.contains(catalogueId))
        return m_catalogueUrls.value(catalogueId);
    const auto it = m_catalogue.constFind(catalogueId);
    if (it == m_catalogue.constEnd())
        return {};
    const Row& row = *it;
    QJsonObject d = resource("ObservationDefinition", QStringLiteral("LST_ANALYSIS"), catalogueId);
    d.insert(QStringLiteral("code"), analysisCode(catalogueId));
    putDefinition(d, row);
    QJsonArray entry;
    for (auto [column, part] : {std::pair{"Description", "description"}, std::pair{"Category", "category"}})
        if (const QJsonObject e = textExtension(QLatin1String(part), row.text(QLatin1String(column)));
            !e.isEmpty())
            entry.append(e);
    addExtension(d, complexExtension(T::listEntry, entry));
    const QString url = add(d);
    m_catalogueUrls.insert(catalogueId, url);
    return url;
}

void BundleBuilder::analyses()
{
    for (const Row& followed : RecordRows::read(
             m_db, QStringLiteral("SELECT * FROM L_ANALYSIS WHERE Id_Ref=? ORDER BY Id"), {m_personId})) {
        const int followedId = followed.integer(QStringLiteral("Id"));
        const int catalogueId = followed.integer(QStringLiteral("Id_Analysis"));
        const QString catalogueUrl = catalogueDefinition(catalogueId);
        const QString unit = followed.text(QStringLiteral("Unit"));
        QJsonObject d = resource("ObservationDefinition", QStringLiteral("L_ANALYSIS"), followedId);
        d.insert(QStringLiteral("code"), analysisCode(catalogueId));
        putDefinition(d, followed);
        if (!catalogueUrl.isEmpty())
            addExtension(d, {{QStringLiteral("url"), T::catalogueDefinition},
                             {QStringLiteral("valueReference"), reference(catalogueUrl)}});
        addExtension(d, textExtension(T::analysisRemark, followed.text(QStringLiteral("Remark1"))));
        const QString followedUrl = add(d);

        for (const Row& result : RecordRows::read(
                 m_db, QStringLiteral("SELECT * FROM [ANALYSIS] WHERE Id_Ref=? ORDER BY Date_Analysis, Id"),
                 {followedId})) {
            QJsonObject o =
                resource("Observation", QStringLiteral("ANALYSIS"), result.integer(QStringLiteral("Id")));
            o.insert(QStringLiteral("status"), QStringLiteral("final"));
            o.insert(QStringLiteral("category"),
                     QJsonArray{codeable(coding(T::observationCategory, QStringLiteral("laboratory")))});
            o.insert(QStringLiteral("code"), analysisCode(catalogueId));
            o.insert(QStringLiteral("subject"), subject());
            putMoment(o, QStringLiteral("effectiveDateTime"),
                      storedMoment(result.text(QStringLiteral("Date_Analysis")),
                                   result.text(QStringLiteral("Time_Analysis"))));
            if (const std::optional<double> v = result.number(QStringLiteral("Value_Analysis"));
                v && std::isfinite(*v))
                o.insert(QStringLiteral("valueQuantity"), quantity(*v, unit, ucumCode(unit)));
            const QJsonObject rr = range(result.number(QStringLiteral("Value_Min")),
                                         result.number(QStringLiteral("Value_Max")), unit);
            if (!rr.isEmpty())
                o.insert(QStringLiteral("referenceRange"), QJsonArray{rr});
            const QString remark = result.text(QStringLiteral("Remark1"));
            if (!remark.isEmpty())
                o.insert(QStringLiteral("note"), QJsonArray{annotation(remark)});
            addExtension(o, {{QStringLiteral("url"), T::followedAnalysis},
                             {QStringLiteral("valueReference"), reference(followedUrl)}});
            add(o);
        }
    }
}

QJsonObject BundleBuilder::listConcept(const QHash<int, Row>& list, const char* table, const QString& system,
                                       const Row& row, const QString& column, bool withGravity) const
{
    if (row.isNull(column))
        return {};
    const int id = row.integer(column);
    // The same entry is named by many rows: made once.
    const QString key = QLatin1String(table) + QString::number(id);
    if (const auto known = m_concepts.constFind(key); known != m_concepts.constEnd())
        return *known;
    const QJsonObject made = listConceptOf(list, table, system, id, withGravity);
    m_concepts.insert(key, made);
    return made;
}

QJsonObject BundleBuilder::listConceptOf(const QHash<int, Row>& list, const char* table,
                                         const QString& system, int id, bool withGravity) const
{
    const auto it = list.constFind(id);
    if (it == list.constEnd())
        return unknownConcept();
    const QString title = it->text(QStringLiteral("Title"));
    QJsonObject c = codeable(coding(system, m_ids.id(QLatin1String(table), id), title), title);
    QJsonArray parts;
    for (auto [col, part] : {std::pair{"Description", "description"}, std::pair{"Category", "category"},
                             std::pair{"Gravity", "gravity"}}) {
        if (!withGravity && QLatin1String(part) == QLatin1String("gravity"))
            continue;
        if (const QJsonObject e = textExtension(QLatin1String(part), it->text(QLatin1String(col)));
            !e.isEmpty())
            parts.append(e);
    }
    addExtension(c, complexExtension(T::listEntry, parts));
    return c;
}

void BundleBuilder::contact(QJsonObject& r, const Row& row)
{
    QJsonArray telecom;
    for (auto [column, system] :
         {std::pair{"Phone", "phone"}, std::pair{"Fax", "fax"}, std::pair{"Email", "email"}}) {
        QJsonObject point{{QStringLiteral("system"), QLatin1String(system)}};
        putText(point, QStringLiteral("value"), row.text(QLatin1String(column)));
        if (point.contains(QStringLiteral("value")))
            telecom.append(point);
    }
    if (!telecom.isEmpty())
        r.insert(QStringLiteral("telecom"), telecom);
    QJsonObject address;
    putTextInArray(address, QStringLiteral("line"), row.text(QStringLiteral("Address")));
    putText(address, QStringLiteral("city"), row.text(QStringLiteral("City")));
    putText(address, QStringLiteral("postalCode"), row.text(QStringLiteral("CP")));
    putText(address, QStringLiteral("country"), row.text(QStringLiteral("Country")));
    if (!address.isEmpty())
        r.insert(QStringLiteral("address"), QJsonArray{address});
    addExtension(r, textExtension(T::note, row.text(QStringLiteral("Note"))));
}

QString BundleBuilder::practitioner(int doctorId)
{
    if (m_doctorUrls.contains(doctorId))
        return m_doctorUrls.value(doctorId);
    const auto it = m_doctors.constFind(doctorId);
    if (it == m_doctors.constEnd())
        return {};
    QJsonObject p = resource("Practitioner", QStringLiteral("LST_DOCTOR"), doctorId);
    QJsonObject name;
    putText(name, QStringLiteral("text"), it->text(QStringLiteral("Name")));
    if (!name.isEmpty())
        p.insert(QStringLiteral("name"), QJsonArray{name});
    contact(p, *it);
    QJsonObject speciality;
    putText(speciality, QStringLiteral("text"), it->text(QStringLiteral("Category")));
    if (!speciality.isEmpty())
        p.insert(QStringLiteral("qualification"),
                 QJsonArray{QJsonObject{{QStringLiteral("code"), speciality}}});
    addExtension(p, {{QStringLiteral("url"), T::convention},
                     {QStringLiteral("valueBoolean"), it->flag(QStringLiteral("Convention"))}});
    const QString url = add(p);
    m_doctorUrls.insert(doctorId, url);
    return url;
}

QString BundleBuilder::pharmacy(int pharmacyId)
{
    if (m_pharmacyUrls.contains(pharmacyId))
        return m_pharmacyUrls.value(pharmacyId);
    const auto it = m_pharmacies.constFind(pharmacyId);
    if (it == m_pharmacies.constEnd())
        return {};
    QJsonObject o = resource("Organization", QStringLiteral("LST_PHARMACY"), pharmacyId);
    putText(o, QStringLiteral("name"), it->text(QStringLiteral("Name")));
    QJsonObject category;
    putText(category, QStringLiteral("text"), it->text(QStringLiteral("Category")));
    if (!category.isEmpty())
        o.insert(QStringLiteral("type"), QJsonArray{category});
    contact(o, *it);
    const QString url = add(o);
    m_pharmacyUrls.insert(pharmacyId, url);
    return url;
}

void BundleBuilder::vaccinations()
{
    for (const Row& row : RecordRows::read(
             m_db, QStringLiteral("SELECT * FROM VACCINE WHERE Id_Ref=? ORDER BY Date_Vaccine, Id"),
             {m_personId})) {
        QJsonObject v =
            resource("Immunization", QStringLiteral("VACCINE"), row.integer(QStringLiteral("Id")));
        v.insert(QStringLiteral("status"), QStringLiteral("completed"));
        const QJsonObject code =
            listConcept(m_vaccines, "LST_VACCINE", T::vaccines, row, QStringLiteral("Id_Vaccine"), false);
        v.insert(QStringLiteral("vaccineCode"), code.isEmpty() ? unknownConcept() : code);
        v.insert(QStringLiteral("patient"), subject());
        putMoment(
            v, QStringLiteral("occurrenceDateTime"),
            storedMoment(row.text(QStringLiteral("Date_Vaccine")), row.text(QStringLiteral("Time_Vaccine"))));
        if (const QString doctor = practitioner(row.integer(QStringLiteral("Id_Org"))); !doctor.isEmpty())
            v.insert(QStringLiteral("performer"),
                     QJsonArray{QJsonObject{{QStringLiteral("actor"), reference(doctor)}}});
        QJsonArray notes;
        if (const QString remark = row.text(QStringLiteral("Remark1")); !remark.isEmpty())
            notes.append(annotation(remark));
        const Moment booster = storedMoment(row.text(QStringLiteral("Repeat_Date")), {});
        if (!booster.dateText.isEmpty()) {
            QJsonObject note = annotation(
                booster.date.isValid() ? s("Rappel prévu le ") + booster.date.toString(Formats::shortDate)
                                       : s("Rappel prévu"));
            QJsonObject e{{QStringLiteral("url"), T::boosterDate}};
            putMoment(e, QStringLiteral("valueDate"), booster, false);
            addExtension(note, e);
            notes.append(note);
        }
        if (!notes.isEmpty())
            v.insert(QStringLiteral("note"), notes);
        addExtension(v, {{QStringLiteral("url"), T::boosterPending},
                         {QStringLiteral("valueBoolean"), row.flag(QStringLiteral("Repeat_Exe"))}});
        add(v);
    }
}

void BundleBuilder::acts()
{
    for (const Row& row : RecordRows::read(
             m_db,
             QStringLiteral("SELECT * FROM [ACTION] WHERE Id_Ref=? ORDER BY Date_Action, Time_Action, Id"),
             {m_personId})) {
        const int id = row.integer(QStringLiteral("Id"));
        const int tag = row.integer(QStringLiteral("Tag"));
        const std::optional<CareQueries::ActKind> kind = CareQueries::kindOfTag(tag);
        const Moment when =
            storedMoment(row.text(QStringLiteral("Date_Action")), row.text(QStringLiteral("Time_Action")));
        QString provider;
        QJsonObject a;
        if (kind == CareQueries::ActKind::Consultation) {
            a = resource("Encounter", QStringLiteral("ACTION"), id);
            a.insert(QStringLiteral("status"), QStringLiteral("finished"));
            a.insert(QStringLiteral("class"),
                     coding(T::actCode, QStringLiteral("AMB"), QStringLiteral("ambulatory")));
            a.insert(QStringLiteral("subject"), subject());
            provider = practitioner(row.integer(QStringLiteral("Id_Org")));
            if (!provider.isEmpty())
                a.insert(QStringLiteral("participant"),
                         QJsonArray{QJsonObject{{QStringLiteral("individual"), reference(provider)}}});
            QJsonObject period;
            putMoment(period, QStringLiteral("start"), when);
            if (!period.isEmpty())
                a.insert(QStringLiteral("period"), period);
            QJsonArray reasons;
            const QJsonObject illness = listConcept(m_illnesses, "LST_ILLNESS", T::illnesses, row,
                                                    QStringLiteral("Id_Illness"), true);
            if (!illness.isEmpty())
                reasons.append(illness);
            QJsonObject purpose;
            putText(purpose, QStringLiteral("text"), row.text(QStringLiteral("Remark1")));
            if (!purpose.isEmpty())
                reasons.append(purpose);
            if (!reasons.isEmpty())
                a.insert(QStringLiteral("reasonCode"), reasons);
            addExtension(a, textExtension(T::gravity, row.text(QStringLiteral("Gravity"))));
            addExtension(a, textExtension(T::practitionerRemark, row.text(QStringLiteral("Remark2"))));
        } else if (kind == CareQueries::ActKind::Pharmacy) {
            a = resource("MedicationDispense", QStringLiteral("ACTION"), id);
            a.insert(QStringLiteral("status"), QStringLiteral("completed"));
            const QJsonObject drug =
                listConcept(m_drugs, "LST_DRUG", T::drugs, row, QStringLiteral("Id_Drug"), false);
            a.insert(QStringLiteral("medicationCodeableConcept"), drug.isEmpty() ? unknownConcept() : drug);
            a.insert(QStringLiteral("subject"), subject());
            provider = pharmacy(row.integer(QStringLiteral("Id_Org")));
            if (!provider.isEmpty())
                a.insert(QStringLiteral("performer"),
                         QJsonArray{QJsonObject{{QStringLiteral("actor"), reference(provider)}}});
            putMoment(a, QStringLiteral("whenHandedOver"), when);
            if (const QString remark = row.text(QStringLiteral("Remark1")); !remark.isEmpty())
                a.insert(QStringLiteral("note"), QJsonArray{annotation(remark)});
        } else {
            m_result.problems << s("Acte n° %1 d'une nature inconnue (%2) : laissé de côté").arg(id).arg(tag);
            continue;
        }
        claims(row, add(a), provider);
    }
}

// One ExplanationOfBenefit per payer: what the act cost, what that payer
// paid or is to pay, and whether it has paid ("complete") or not ("queued").
void BundleBuilder::claims(const Row& act, const QString& actUrl, const QString& providerUrl)
{
    // Made once: the same for every claim.
    static const QJsonObject professional = codeable(coding(T::claimType, QStringLiteral("professional")));
    static const QJsonObject dispensing = codeable(coding(T::claimType, QStringLiteral("pharmacy")));
    static const QJsonObject information = codeable(coding(T::informationCategory, QStringLiteral("info")));
    static const QJsonObject submitted = codeable(coding(T::adjudication, QStringLiteral("submitted")));
    static const QJsonObject benefit = codeable(coding(T::adjudication, QStringLiteral("benefit")));
    const int id = act.integer(QStringLiteral("Id"));
    const bool consultation =
        CareQueries::kindOfTag(act.integer(QStringLiteral("Tag"))) == CareQueries::ActKind::Consultation;
    const char* suffix[] = {"", "_Comp"};
    for (int i = 0; i < 2; ++i) {
        const QString sfx = QLatin1String(suffix[i]);
        QJsonObject e = resource("ExplanationOfBenefit", QStringLiteral("ACTION"), id,
                                 i == 0 ? T::Kind::nationalInsurance : T::Kind::complementary);
        const bool paid = act.flag(QStringLiteral("Repayment") + sfx);
        e.insert(QStringLiteral("status"), QStringLiteral("active"));
        e.insert(QStringLiteral("type"), consultation ? professional : dispensing);
        e.insert(QStringLiteral("use"), QStringLiteral("claim"));
        e.insert(QStringLiteral("patient"), subject());
        const Moment when = storedMoment(act.text(QStringLiteral("Date_Action")), {});
        if (when.date.isValid())
            e.insert(QStringLiteral("created"), when.date.toString(Formats::isoDate));
        e.insert(QStringLiteral("insurer"), reference(m_payerUrls[i]));
        e.insert(QStringLiteral("provider"), providerUrl.isEmpty()
                                                 ? QJsonObject{{QStringLiteral("display"), s("Inconnu")}}
                                                 : reference(providerUrl));
        e.insert(QStringLiteral("outcome"), paid ? QStringLiteral("complete") : QStringLiteral("queued"));
        e.insert(QStringLiteral("insurance"),
                 QJsonArray{QJsonObject{{QStringLiteral("focal"), true},
                                        {QStringLiteral("coverage"), reference(m_coverageUrls[i])}}});
        e.insert(QStringLiteral("supportingInfo"),
                 QJsonArray{QJsonObject{{QStringLiteral("sequence"), 1},
                                        {QStringLiteral("category"), information},
                                        {QStringLiteral("valueReference"), reference(actUrl)}}});
        QJsonArray totals;
        if (const std::optional<Money::Amount> price = act.amount(QStringLiteral("Price")))
            totals.append(QJsonObject{{QStringLiteral("category"), submitted},
                                      {QStringLiteral("amount"), money(*price)}});
        const std::optional<Money::Amount> repaid = act.amount(QStringLiteral("Price_Repayment") + sfx);
        if (repaid)
            totals.append(QJsonObject{{QStringLiteral("category"), benefit},
                                      {QStringLiteral("amount"), money(*repaid)}});
        if (!totals.isEmpty())
            e.insert(QStringLiteral("total"), totals);
        QJsonObject payment;
        putMoment(payment, QStringLiteral("date"),
                  storedMoment(act.text(QStringLiteral("Date_Repayment") + sfx), {}), false);
        if (paid && repaid)
            payment.insert(QStringLiteral("amount"), money(*repaid));
        if (!payment.isEmpty())
            e.insert(QStringLiteral("payment"), payment);
        add(e);
    }
}

void BundleBuilder::events()
{
    for (const Row& row : RecordRows::read(
             m_db, QStringLiteral("SELECT * FROM EVENT WHERE Id_Ref=? ORDER BY Date_Event, Time_Event, Id"),
             {m_personId})) {
        QJsonObject o = resource("Observation", QStringLiteral("EVENT"), row.integer(QStringLiteral("Id")));
        o.insert(QStringLiteral("status"), QStringLiteral("final"));
        o.insert(QStringLiteral("code"),
                 codeable(coding(T::kinds, T::Kind::event, s("Événement")), s("Événement")));
        o.insert(QStringLiteral("subject"), subject());
        putMoment(
            o, QStringLiteral("effectiveDateTime"),
            storedMoment(row.text(QStringLiteral("Date_Event")), row.text(QStringLiteral("Time_Event"))));
        putText(o, QStringLiteral("valueString"), row.text(QStringLiteral("Description")));
        add(o);
    }
}

bool BundleBuilder::takesContent(qint64 size, const QString& title)
{
    if (m_options.includeDocuments && (m_options.documentLimit <= 0 || size <= m_options.documentLimit))
        return true;
    m_result.leftOut << title;
    return false;
}

QJsonObject BundleBuilder::attachment(const QString& contentType, const QByteArray& data,
                                      const QString& title) const
{
    QJsonObject a{{QStringLiteral("contentType"), contentType},
                  {QStringLiteral("data"), QString::fromLatin1(data.toBase64())},
                  {QStringLiteral("size"), static_cast<qint64>(data.size())},
                  {QStringLiteral("hash"), sha1(data)}};
    putText(a, QStringLiteral("title"), title);
    return a;
}

static QJsonObject representation(const QJsonObject& attachment, const QString& kind = {},
                                  const char* display = nullptr)
{
    QJsonObject c{{QStringLiteral("attachment"), attachment}};
    if (!kind.isEmpty())
        c.insert(QStringLiteral("format"), coding(FhirTerms::kinds, kind, QString::fromUtf8(display)));
    return c;
}

void BundleBuilder::pictures()
{
    for (const Row& row : RecordRows::read(
             m_db, QStringLiteral("SELECT * FROM DOCUMENTIMG WHERE Id_Ref=? AND DoType=1 ORDER BY Id"),
             {m_personId})) {
        const int id = row.integer(QStringLiteral("Id"));
        const QString title = row.text(QStringLiteral("Title"));
        QJsonObject d = resource("DocumentReference", QStringLiteral("DOCUMENTIMG"), id);
        d.insert(QStringLiteral("status"), QStringLiteral("current"));
        d.insert(QStringLiteral("type"),
                 codeable(coding(T::kinds, T::Kind::picture, s("Image")), s("Image")));
        d.insert(QStringLiteral("subject"), subject());
        putText(d, QStringLiteral("description"), title);
        const QString file = StoredFiles::documentPicture(m_folder, id);
        QJsonObject main{{QStringLiteral("contentType"), QStringLiteral("image/jpeg")}};
        putText(main, QStringLiteral("title"), title);
        QJsonArray content;
        if (!QFileInfo::exists(file)) {
            m_result.problems
                << s("Image « %1 » : le fichier %2 est introuvable").arg(title, FileUtils::shownPath(file));
        } else if (takesContent(QFileInfo(file).size(), title)) {
            try {
                main = attachment(QStringLiteral("image/jpeg"), FileUtils::readFile(file), title);
            } catch (const FileError& e) {
                m_result.problems << s("Image « %1 » : ").arg(title) + e.text();
            }
        } else {
            main.insert(QStringLiteral("size"), QFileInfo(file).size());
        }
        content.append(representation(main));
        const QByteArray thumbnail = row.bytes(QStringLiteral("ImgMini"));
        if (!thumbnail.isEmpty() && m_options.includeDocuments)
            content.append(representation(attachment(QStringLiteral("image/bmp"), thumbnail, s("Vignette")),
                                          T::Kind::thumbnail, "Vignette"));
        d.insert(QStringLiteral("content"), content);
        add(d);
    }
}

void BundleBuilder::files()
{
    const QMimeDatabase mimes;
    QTemporaryDir scratch;
    for (const Row& row : RecordRows::read(
             m_db, QStringLiteral("SELECT * FROM DOCUMENTFILE WHERE Id_Ref=? AND DoType=1 ORDER BY Id"),
             {m_personId})) {
        const int id = row.integer(QStringLiteral("Id"));
        const QString name = row.text(QStringLiteral("FileName"));
        QJsonObject d = resource("DocumentReference", QStringLiteral("DOCUMENTFILE"), id);
        d.insert(QStringLiteral("status"), QStringLiteral("current"));
        d.insert(QStringLiteral("type"), codeable(coding(T::kinds, T::Kind::file, s("Fichier")),
                                                  row.text(QStringLiteral("FileType"))));
        d.insert(QStringLiteral("subject"), subject());
        putText(d, QStringLiteral("description"), row.text(QStringLiteral("Remark")));

        const QString contentType = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
        QJsonObject main{{QStringLiteral("contentType"), contentType}};
        putText(main, QStringLiteral("title"), name);
        const QString archive = StoredFiles::attachedFile(m_folder, id);
        try {
            if (!QFileInfo::exists(archive))
                throw FileError(s("le fichier %1 est introuvable").arg(FileUtils::shownPath(archive)));
            const QList<Cabinet::Entry> entries = Cabinet::list(archive);
            if (entries.isEmpty())
                throw FileError(s("l'archive %1 est vide").arg(FileUtils::shownPath(archive)));
            if (takesContent(entries.front().size, name)) {
                if (!scratch.isValid())
                    throw FileError(s("aucun dossier temporaire"));
                const QString copy = scratch.filePath(QStringLiteral("f"));
                Cabinet::extractEntry(archive, 0, copy);
                const QByteArray data = FileUtils::readFile(copy);
                FileUtils::removeFile(copy);
                main = attachment(contentType, data, name);
            } else {
                main.insert(QStringLiteral("size"), entries.front().size);
            }
        } catch (const AppError& e) {
            m_result.problems << s("Fichier « %1 » : ").arg(name) + e.text();
        }
        addElementExtension(main, QStringLiteral("size"),
                            textExtension(T::originalText, row.text(QStringLiteral("FileSize"))));
        if (main.value(QStringLiteral("_size")).toObject().isEmpty())
            main.remove(QStringLiteral("_size"));
        QJsonArray content{representation(main)};
        const QByteArray icon = row.bytes(QStringLiteral("FileIcon"));
        if (!icon.isEmpty() && m_options.includeDocuments)
            content.append(representation(attachment(QStringLiteral("image/bmp"), icon, s("Icône")),
                                          T::Kind::icon, "Icône"));
        d.insert(QStringLiteral("content"), content);
        add(d);
    }
}

} // namespace

int findPerson(const QSqlDatabase& db, const QString& numberOrName)
{
    const QString wanted = numberOrName.trimmed();
    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    if (isNumber) {
        if (RecordRows::read(db, QStringLiteral("SELECT Id FROM PERSON WHERE Id=?"), {id}).empty())
            throw FhirError(QStringLiteral("Le carnet de santé n° %1 n'existe pas.").arg(id));
        return id;
    }
    const std::vector<Row> matches = RecordRows::read(
        db,
        QStringLiteral("SELECT Id FROM PERSON WHERE lower(trim(coalesce(Name,'') || ' ' || "
                       "coalesce(ForeName,'')))=lower(?) "
                       "OR lower(trim(coalesce(ForeName,'') || ' ' || coalesce(Name,'')))=lower(?) OR "
                       "lower(trim(Name))=lower(?) ORDER BY Id"),
        {wanted, wanted, wanted});
    if (matches.empty())
        throw FhirError(QStringLiteral("Aucun carnet de santé ne porte le nom « %1 ».").arg(wanted));
    if (matches.size() > 1) {
        QStringList ids;
        for (const Row& r : matches)
            ids << QString::number(r.integer(QStringLiteral("Id")));
        throw FhirError(QStringLiteral("Plusieurs carnets de santé portent le nom « %1 » (n° %2) : "
                                       "donnez le numéro de celui à exporter.")
                            .arg(wanted, ids.join(QStringLiteral(", "))));
    }
    return matches.front().integer(QStringLiteral("Id"));
}

QJsonObject bundle(const Records& records, int personId, const ExportOptions& options, ExportResult* result)
{
    ExportResult local;
    QByteArray json;
    BundleBuilder(records, personId, options, result ? *result : local).write([&](const QByteArray& piece) {
        json += piece;
    });
    return QJsonDocument::fromJson(json).object();
}

ExportResult exportPerson(const Records& records, int personId, const QString& file,
                          const ExportOptions& options)
{
    ExportResult result;
    FileUtils::AtomicFile out(file);
    BundleBuilder(records, personId, options, result).write([&](const QByteArray& piece) {
        out.write(piece);
    });
    out.commit();
    return result;
}

ExportResult exportPerson(const Records& records, const QString& numberOrName, const QString& file,
                          const ExportOptions& options)
{
    return exportPerson(records, findPerson(records.db, numberOrName), file, options);
}

} // namespace FhirExport
