#include "TAboutBox.h"

#include "AppIcon.h"
#include "Product.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos de ") + Product::name);

    auto* picture = new QLabel(this);
    picture->setPixmap(AppIcon::pixmap(96));
    auto* product = new QLabel(Product::name, this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version ") + Product::version, this);
    version->setObjectName(QStringLiteral("Version"));
    auto* purpose = new QLabel(QStringLiteral("Le carnet de santé de toute la famille."), this);
    auto* maker = new QLabel(Product::makerLine(), this);
    maker->setObjectName(QStringLiteral("Copyright"));
    auto* contact = new QLabel(
        QStringLiteral("<a href=\"%1\">%1</a><br>%2").arg(Product::webAddress, Product::supportAddress),
        this);
    contact->setOpenExternalLinks(true);

    auto* text = new QVBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(product), static_cast<QWidget*>(version), static_cast<QWidget*>(purpose),
          static_cast<QWidget*>(maker), static_cast<QWidget*>(contact)})
        text->addWidget(w);
    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral(" &Ok"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
