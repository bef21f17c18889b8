// The report engine alone: layouts, bands and page breaks, fields and
// variables, pictures, rendering to a picture and to a PDF read back.
#include "ReportEngine.h"

#include "PdfText.h"
#include "ReportError.h"
#include "TestFolders.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <QPainter>

namespace {

// A list of acts: a title with the person, a header repeated on every page,
// one ruled row per act, a footer with the sums, "Page N / M" at the bottom.
const char* kActsLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<report>
  <page width="210" height="297" left="10" top="10" right="10" bottom="10"/>
  <pageHeader height="8">
    <text x="0" y="0" w="190" h="6" size="8">[TITLE]</text>
  </pageHeader>
  <title height="12">
    <text x="0" y="0" w="190" h="10" size="14" bold="true">[Person."Name"] [Person."ForeName"]</text>
  </title>
  <masterHeader dataset="Acts" height="7" repeat="true">
    <text x="0" y="0" w="30" h="7" bold="true" frame="ltrb">Date</text>
    <text x="30" y="0" w="120" h="7" bold="true" frame="ltrb">Observations</text>
    <text x="150" y="0" w="40" h="7" bold="true" frame="ltrb" align="right">Montant</text>
  </masterHeader>
  <masterData dataset="Acts" height="6">
    <text x="0" y="0" w="30" h="6" frame="ltrb">[Acts."Date_Action"]</text>
    <text x="30" y="0" w="120" h="6" frame="ltrb" grow="true">[Acts."Remark1"]</text>
    <text x="150" y="0" w="40" h="6" frame="ltrb" align="right">[Acts."Price"]</text>
  </masterData>
  <masterFooter dataset="Acts" height="7">
    <text x="0" y="0" w="150" h="7" bold="true">Total ([COUNT(Acts)] actes)</text>
    <text x="150" y="0" w="40" h="7" bold="true" align="right">[SUM(Acts."Price")]</text>
  </masterFooter>
  <pageFooter height="6">
    <text x="0" y="0" w="190" h="5" size="7" align="right">Page [PAGE] / [TOTALPAGES]</text>
  </pageFooter>
</report>)";

struct ActsData
{
    ReportTable person{{QStringLiteral("Name"), QStringLiteral("ForeName")}};
    ReportTable acts{{QStringLiteral("Date_Action"), QStringLiteral("Remark1"), QStringLiteral("Price")}};

    explicit ActsData(int count, const QString& remark = QStringLiteral("Consultation"))
    {
        person.addRow(
            {ReportValue::ofText(QStringLiteral("Élodie")), ReportValue::ofText(QStringLiteral("Noël"))});
        for (int i = 0; i < count; ++i)
            acts.addRow({ReportValue::ofDate(QDate(2024, 1, 1).addDays(i)),
                         ReportValue::ofText(remark + QStringLiteral(" n°%1").arg(i + 1)),
                         ReportValue::ofMoney(Money::Amount::fromUnits(12'3400 + i))});
    }

    Report report(const char* layout = kActsLayout) const
    {
        Report r(ReportLayout::parse(QByteArray(layout), QStringLiteral("Acts.frf")));
        r.addDataset(QStringLiteral("Person"), &person);
        r.addDataset(QStringLiteral("Acts"), &acts);
        r.setVariables([](const QString& name) -> std::optional<QString> {
            if (name == QLatin1String("TITLE"))
                return QStringLiteral("HISTORIQUE DES ACTES");
            return std::nullopt;
        });
        return r;
    }
};

QString allText(const PreparedReport& prepared, int page)
{
    return prepared.texts(page).join(QLatin1Char('\n'));
}

QString expectError(const std::function<void()>& work)
{
    try {
        work();
    } catch (const ReportError& e) {
        return e.text();
    }
    ADD_FAILURE() << "no ReportError";
    return {};
}

class ReportEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        Money::normaliseCurrencySymbol();
    }
};

} // namespace

TEST_F(ReportEngineTest, RowsFlowOverPagesWholeWithTheHeaderRepeatedAndThePageCountResolved)
{
    const ActsData data(90);
    const PreparedReport prepared = data.report().prepare();
    ASSERT_EQ(prepared.pageCount(), 3);

    int rowsSeen = 0;
    for (int page = 0; page < prepared.pageCount(); ++page) {
        const QStringList texts = prepared.texts(page);
        EXPECT_EQ(texts.count(QStringLiteral("Observations")), 1) << "header on page " << page + 1;
        EXPECT_TRUE(texts.contains(QStringLiteral("Page %1 / 3").arg(page + 1)));
        EXPECT_TRUE(texts.contains(QStringLiteral("HISTORIQUE DES ACTES")));
        for (const PreparedItem& item : prepared.pages[static_cast<size_t>(page)]) {
            if (item.kind == PreparedItem::Kind::Text &&
                item.lines.join(QString()).startsWith(QStringLiteral("Consultation")))
                ++rowsSeen;
            // No row crosses into the footer or off the page.
            if (!item.lines.join(QString()).startsWith(QStringLiteral("Page"))) {
                EXPECT_LE(item.rect.bottom(), 297 - 10 - 6 + 0.001);
            }
        }
    }
    EXPECT_EQ(rowsSeen, 90);
    EXPECT_TRUE(prepared.texts(0).contains(QStringLiteral("Élodie Noël")));
    EXPECT_FALSE(prepared.texts(1).contains(QStringLiteral("Élodie Noël"))); // the title prints once
    // The sum of exact amounts: 90 x 12.34 + (0 + ... + 89) / 10 000 = 1111.0005.
    EXPECT_TRUE(prepared.texts(2).contains(QStringLiteral("1111,00 €")))
        << allText(prepared, 2).toStdString();
    EXPECT_TRUE(prepared.texts(2).contains(QStringLiteral("Total (90 actes)")));
    EXPECT_TRUE(prepared.texts(0).contains(QStringLiteral("01/01/2024")));
}

TEST_F(ReportEngineTest, LongTextsWrapInsideTheirCellAndTheRowGrowsWithTheRuledCellsBesideIt)
{
    const QString remark = QStringLiteral("Très longue remarque àâäéèêëîïôöùûüç œ € ").repeated(12);
    const ActsData data(1, remark);
    const PreparedReport prepared = data.report().prepare();
    const auto& items = prepared.pages.front();
    const PreparedItem* text = nullptr;
    for (const PreparedItem& item : items)
        if (item.kind == PreparedItem::Kind::Text &&
            item.lines.join(QString()).contains(QStringLiteral("remarque")))
            text = &item;
    ASSERT_NE(text, nullptr);
    EXPECT_GT(text->lines.size(), 3);
    EXPECT_EQ(text->lines.join(QLatin1Char(' ')).simplified(),
              (remark + QStringLiteral(" n°1")).simplified());
    QFontMetricsF metrics(text->font);
    for (const QString& line : text->lines)
        EXPECT_LE(metrics.horizontalAdvance(line) / 100.0, text->rect.width() + 0.01) << line.toStdString();
    // The row grew, and the frames of the cells beside it grew with it.
    EXPECT_GE(text->rect.height() + 1.6, text->lines.size() * text->lineHeight - 0.01);
    int framesAsHigh = 0;
    for (const PreparedItem& item : items)
        if (item.kind == PreparedItem::Kind::Box && qAbs(item.rect.top() - (text->rect.top() - 0.8)) < 0.01)
            framesAsHigh += qAbs(item.rect.height() - (text->rect.height() + 1.6)) < 0.01;
    EXPECT_EQ(framesAsHigh, 3);
}

TEST_F(ReportEngineTest, FormatsFieldsAndAnswersOrRefusesNames)
{
    const char* layout = R"(<report><title height="40">
      <text x="0" y="0" w="190" h="6">[T."When"|d MMMM yyyy]</text>
      <text x="0" y="6" w="190" h="6">[T."Weight"|#######0.000 kg]</text>
      <text x="0" y="12" w="190" h="6">[T."Paid"]/[T."Paid"|payé;dû]</text>
      <text x="0" y="18" w="190" h="6">[T."Amount"|money] [T."Amount"|0.0]</text>
      <text x="0" y="24" w="190" h="6">[Closed."Anything"]|[COUNT(Closed)]</text>
    </title></report>)";
    ReportTable t{
        {QStringLiteral("When"), QStringLiteral("Weight"), QStringLiteral("Paid"), QStringLiteral("Amount")}};
    t.addRow({ReportValue::ofDate(QDate(2024, 8, 15)), ReportValue::ofNumber(3.25),
              ReportValue::ofBoolean(false), ReportValue::ofNumber(25)});
    struct Closed : ReportTable
    {
        Closed() : ReportTable({}) {}
        bool isOpen() const override { return false; }
    } closed;
    Report report(ReportLayout::parse(layout, QStringLiteral("F.frf")));
    report.addDataset(QStringLiteral("T"), &t);
    report.addDataset(QStringLiteral("Closed"), &closed);
    const QStringList texts = report.prepare().texts(0);
    EXPECT_EQ(texts.join(QLatin1Char('#')).toStdString(), "15 août 2024#3,250 kg#Non/dû#25,00 € 25,0#|0");

    for (const char* bad : {R"(<report><title height="5"><text>[T."Nope"]</text></title></report>)",
                            R"(<report><title height="5"><text>[Nope."Weight"]</text></title></report>)",
                            R"(<report><title height="5"><text>[MYSTERY]</text></title></report>)"}) {
        Report r(ReportLayout::parse(bad, QStringLiteral("F.frf")));
        r.addDataset(QStringLiteral("T"), &t);
        const QString message = expectError([&] { r.prepare(); });
        EXPECT_TRUE(message.contains(QStringLiteral("\"F.frf\""))) << message.toStdString();
    }
}

TEST_F(ReportEngineTest, DamagedOrMissingLayoutsAreRefusedWithTheFileNamed)
{
    TestFolders::Scratch scratch;
    const QByteArray full(kActsLayout);
    const QList<QByteArray> damaged{
        full.left(full.size() / 2),
        QByteArray("\x89PNG\r\n\x1a\n garbage \x01\x02"),
        QByteArray(),
        QByteArray("<report><band/></report>"),
        QByteArray("<report><title height=\"abc\"/></report>"),
        QByteArray("<report><masterFooter dataset=\"X\" height=\"5\"/></report>")};
    for (int i = 0; i < damaged.size(); ++i) {
        const QString path = scratch.path() + QStringLiteral("Bad%1.frf").arg(i);
        TestFolders::writeFile(path, damaged[i]);
        const QString message = expectError([&] {
            ActsData data(1);
            Report r(ReportLayout::load(path));
            r.addDataset(QStringLiteral("X"), &data.acts);
            r.prepare();
        });
        EXPECT_TRUE(message.contains(path)) << i << ": " << message.toStdString();
    }
    const QString missing = scratch.path() + QStringLiteral("Absent.frf");
    EXPECT_EQ(expectError([&] { ReportLayout::load(missing); }),
              QStringLiteral("Le modèle d'impression \"%1\" est introuvable.").arg(missing));
}

TEST_F(ReportEngineTest, PicturesGoIntoTheirObjectsByNameAndRenderOnAPicture)
{
    const char* layout = R"(<report><page width="100" height="100" left="0" top="0" right="0" bottom="0"/>
      <title height="100">
        <picture name="Img_Chart" x="10" y="10" w="80" h="40"/>
        <picture name="Img_Other" x="10" y="60" w="80" h="30"/>
        <line x1="0" y1="55" x2="100" y2="55" width="1" color="#0000ff"/>
      </title></report>)";
    Report report(ReportLayout::parse(layout, QStringLiteral("P.frf")));
    EXPECT_TRUE(report.layout().hasPicture(QStringLiteral("img_chart")));
    EXPECT_FALSE(report.layout().hasPicture(QStringLiteral("Img_Stat")));
    QImage red(200, 100, QImage::Format_RGB32);
    red.fill(Qt::red);
    report.setPicture(QStringLiteral("Img_Chart"), red);
    const QImage page = report.prepare().pageImage(0, 400);
    ASSERT_EQ(page.size(), QSize(400, 400));
    EXPECT_EQ(page.pixelColor(200, 120), QColor(Qt::red));   // inside the chart's box
    EXPECT_EQ(page.pixelColor(200, 300), QColor(Qt::white)); // the other box got nothing
    EXPECT_EQ(page.pixelColor(200, 220), QColor(Qt::blue));
}

TEST_F(ReportEngineTest, PdfHoldsEveryPageWithItsTexts)
{
    TestFolders::Scratch scratch;
    const ActsData data(90);
    PreparedReport prepared = data.report().prepare();
    prepared.title = QStringLiteral("Historique des actes");
    const QString pdf = scratch.path() + QStringLiteral("acts.pdf");
    int lastStep = 0;
    prepared.writePdf(pdf, [&](int done, int total) {
        EXPECT_EQ(total, 3);
        lastStep = done;
    });
    EXPECT_EQ(lastStep, 3);
    EXPECT_EQ(PdfText::pageCount(pdf), 3);
    const QString text = PdfText::read(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Élodie Noël")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 2 / 3")));
    EXPECT_TRUE(text.contains(QStringLiteral("1111,00 €")));
    EXPECT_FALSE(QFileInfo::exists(pdf + QStringLiteral(".tmp")));
}

TEST_F(ReportEngineTest, ALongPreparationReportsItsProgressAsItGoes)
{
    const ActsData data(1000);
    QList<int> steps;
    int total = 0;
    const PreparedReport prepared = data.report().prepare([&](int done, int all) {
        steps << done;
        total = all;
    });
    EXPECT_GE(steps.size(), 4);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_GE(total, 1000);
    EXPECT_LE(steps.last(), total);
    EXPECT_EQ(prepared.texts(prepared.pageCount() - 1).last(),
              QStringLiteral("Page %1 / %1").arg(prepared.pageCount()));
}
