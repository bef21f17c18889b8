#include "TSplash.h"

#include "AppIcon.h"
#include "Product.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_info(new QLabel(QStringLiteral("Chargement ..."), this)), m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Splash"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        QStringLiteral("TSplash { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, "
                       "stop:1 #dfe8fb); border: 1px solid #0050d2; }"));

    auto* picture = new QLabel(this);
    picture->setPixmap(AppIcon::pixmap(112));

    auto* title = new QLabel(Product::name, this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2 + 4);
    big.setBold(true);
    title->setFont(big);
    title->setStyleSheet(QStringLiteral("color: #0050d2;"));

    auto* subtitle = new QLabel(QStringLiteral("Le carnet de santé de toute la famille"), this);
    auto* version = new QLabel(QStringLiteral("Version ") + Product::version, this);
    version->setObjectName(QStringLiteral("version_"));
    auto* maker = new QLabel(Product::makerLine(), this);
    maker->setObjectName(QStringLiteral("Lab_Maker"));
    QFont small = maker->font();
    small.setPointSize(qMax(6, small.pointSize() - 1));
    maker->setFont(small);

    m_info->setObjectName(QStringLiteral("info"));
    m_bar->setObjectName(QStringLiteral("barre"));
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(10);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(subtitle);
    text->addWidget(version);
    text->addStretch();
    text->addWidget(m_info);
    text->addWidget(m_bar);
    text->addWidget(maker);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(18);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
    setFixedSize(layout->sizeHint().expandedTo(QSize(480, 210)));

    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

void TSplash::setProgress(int position)
{
    m_bar->setValue(position);
    QApplication::processEvents();
}

void TSplash::setStatus(const QString& text)
{
    m_info->setText(text);
    QApplication::processEvents();
}
