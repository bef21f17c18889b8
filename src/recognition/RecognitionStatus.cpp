#include "RecognitionStatus.h"

#include "BackgroundRecognition.h"
#include "CommandGuard.h"
#include "Dataset.h"
#include "ListWindow.h"
#include "Messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

RecognitionStatus::RecognitionStatus(BackgroundRecognition& recognition, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Pan_Recognition"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("Lab_Recognition"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("Bar_Recognition"));
    m_bar->setAccessibleName(QStringLiteral("Lecture du texte des documents"));
    m_bar->setMaximumWidth(140);
    m_bar->setTextVisible(false);
    m_stop = new QToolButton(this);
    m_stop->setObjectName(QStringLiteral("Btn_Recognition_Stop"));
    m_stop->setText(QStringLiteral("Arrêter"));
    m_stop->setToolTip(QStringLiteral("Arrêter la lecture du texte des documents déjà enregistrés"));
    m_stop->setAccessibleName(QStringLiteral("Arrêter la lecture du texte des documents"));
    m_list = new QToolButton(this);
    m_list->setObjectName(QStringLiteral("Btn_Recognition_List"));
    m_list->setText(QStringLiteral("Documents sans texte"));
    m_list->setAccessibleName(QStringLiteral("Documents sans texte"));
    // As tall as a line of the status bar, which would otherwise grow and
    // with it the smallest height of the main window.
    for (QToolButton* button : {m_stop, m_list}) {
        button->setAutoRaise(true);
        button->setMaximumHeight(fontMetrics().height() + 4);
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{m_text, m_bar, m_stop, m_list})
        row->addWidget(w);
    showProgress(0, 0);

    connect(&recognition, &BackgroundRecognition::progressChanged, this, &RecognitionStatus::showProgress);
    connect(&recognition, &BackgroundRecognition::idle, this, [this] { showProgress(0, 0); });
    connect(&recognition, &BackgroundRecognition::unavailable, this, [this](const QString& problem) {
        showProgress(0, 0);
        Messages::warning(problem);
    });
    connectCommand(m_stop, &QToolButton::clicked, this, [&recognition] { recognition.cancel(); });
    connectCommand(m_list, &QToolButton::clicked, this, [this] { Btn_Recognition_ListClick(); });
}

void RecognitionStatus::showProgress(int done, int total)
{
    const bool busy = total > 0;
    m_text->setText(busy ? QStringLiteral("Texte des documents : %1 / %2").arg(done).arg(total) : QString());
    m_text->setVisible(busy);
    m_bar->setVisible(busy);
    m_stop->setVisible(busy);
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(done);
}

void RecognitionStatus::Btn_Recognition_ListClick()
{
    Dataset query(QStringLiteral("DocumentWithoutText"));
    query.setSql(QStringLiteral("SELECT Id, Person, KindName, Title, Note FROM DOCUMENT_WITHOUT_TEXT "
                                "ORDER BY Person, Kind, Id"));
    GridPanelSettings settings;
    settings.gridName = QStringLiteral("Grid_DocumentText");
    settings.accessibleName = QStringLiteral("Documents sans texte");
    settings.query = &query;
    settings.columns = {{QStringLiteral("Personne"), QStringLiteral("Person")},
                        {QStringLiteral("Type"), QStringLiteral("KindName")},
                        {QStringLiteral("Document"), QStringLiteral("Title")},
                        {QStringLiteral("Remarque"), QStringLiteral("Note")}};
    ListWindow list(QStringLiteral("DocumentTextList"), QStringLiteral("  Documents sans texte"), settings,
                    window());
    list.exec();
}
