#include "ViewerBar.h"

#include <QDialog>
#include <QPushButton>
#include <QSizeGrip>

ViewerBar::ViewerBar(QDialog* window) : m_window(window)
{
    setContentsMargins(6, 4, 0, 0);
    setSpacing(3);
}

QPushButton* ViewerBar::add(const char* name, const QString& caption, const QString& hint)
{
    auto* b = new QPushButton(caption, m_window);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setAutoDefault(false);
    addWidget(b);
    return b;
}

QSizeGrip* ViewerBar::finish()
{
    addStretch();
    QPushButton* close = add("Btn_Close", QStringLiteral(" &Fermer"), QStringLiteral("Fermer"));
    QObject::connect(close, &QPushButton::clicked, m_window, &QDialog::reject);
    auto* grip = new QSizeGrip(m_window);
    addWidget(grip, 0, Qt::AlignBottom | Qt::AlignRight);
    return grip;
}
