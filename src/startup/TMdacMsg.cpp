#include "TMdacMsg.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

TMdacMsg::TMdacMsg(const QString& pagePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MdacMsg"));
    setWindowTitle(QStringLiteral("Information"));
    auto* browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("WebBrowser1"));
    browser->setAccessibleName(QStringLiteral("Information"));
    browser->setOpenExternalLinks(true);
    if (QFileInfo(pagePath).isFile())
        browser->setSource(QUrl::fromLocalFile(pagePath));
    auto* close = new QPushButton(QStringLiteral(" &Fermer"), this);
    close->setObjectName(QStringLiteral("CloseBtn"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(520, 380);
}
