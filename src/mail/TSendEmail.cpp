#include "TSendEmail.h"

#include "BusyCursor.h"
#include "CommandGuard.h"
#include "FormWidgets.h"
#include "MailAttachments.h"
#include "Messages.h"
#include "TWait.h"

#include <memory>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 45;
constexpr int kIconFrame = 38;
enum Roles
{
    PathRole = Qt::UserRole,
    DetailRole
};

// One attachment: its icon framed at the left, the file name, and below it
// the type and size in a smaller font.
class AttachmentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(r, selected ? option.palette.highlight() : option.palette.base());
        const QColor ink = (selected ? option.palette.highlightedText() : option.palette.text()).color();

        const QRect frame(r.left() + 4, r.top() + (r.height() - kIconFrame) / 2, kIconFrame, kIconFrame);
        painter->fillRect(frame, Qt::white);
        painter->setPen(QColor(0x7a, 0x8b, 0xa8));
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        icon.paint(painter, frame.adjusted(3, 3, -3, -3));

        const QRect text(frame.right() + 8, r.top() + 4, r.width() - kIconFrame - 16, r.height() - 8);
        QFont name(QStringLiteral("Arial"), 9);
        QFont detail(QStringLiteral("Arial"), 8);
        painter->setPen(ink);
        painter->setFont(name);
        painter->drawText(text.adjusted(0, 0, 0, -text.height() / 2), Qt::AlignLeft | Qt::AlignBottom,
                          QFontMetrics(name).elidedText(index.data(Qt::DisplayRole).toString(),
                                                        Qt::ElideMiddle, text.width()));
        painter->setFont(detail);
        painter->drawText(text.adjusted(0, text.height() / 2 + 1, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data(DetailRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
    }
};

} // namespace

TSendEmail::TSendEmail(const SmtpServer& server, const QString& senderName, const QString& senderEmail,
                       QWidget* parent)
    : QDialog(parent), m_server(server), m_senderName(senderName), m_senderEmail(senderEmail),
      m_to(new QLineEdit(this)), m_cc(new QLineEdit(this)), m_subject(new QLineEdit(this)),
      m_attachments(new QListWidget(this)), m_body(new QPlainTextEdit(this)),
      m_priority(new QCheckBox(QStringLiteral("Priotité haute"), this)),
      m_confirm(new QCheckBox(QStringLiteral("Confirmation de lecture"), this))
{
    setObjectName(QStringLiteral("SendEmail"));
    setWindowTitle(QStringLiteral("Envoyer un email"));

    m_to->setObjectName(QStringLiteral("Ed_To"));
    m_cc->setObjectName(QStringLiteral("Ed_CC"));
    m_subject->setObjectName(QStringLiteral("Ed_Subject"));
    m_attachments->setObjectName(QStringLiteral("Grid_AttachmentsList"));
    m_body->setObjectName(QStringLiteral("Memo_Body"));
    m_priority->setObjectName(QStringLiteral("Check_Priority"));
    m_confirm->setObjectName(QStringLiteral("Check_Confirm"));
    for (QLineEdit* edit : {m_to, m_cc, m_subject})
        edit->setMaxLength(4000);

    m_attachments->setItemDelegate(new AttachmentDelegate(m_attachments));
    m_attachments->setIconSize(QSize(32, 32));
    m_attachments->setFixedHeight(kRowHeight * 2 + 4);
    m_attachments->setUniformItemSizes(true);
    m_body->setTabChangesFocus(true);

    auto* form = new QGridLayout;
    form->setColumnStretch(1, 1);
    const auto row = [&](const QString& caption, QWidget* field) {
        const int r = form->rowCount();
        QLabel* label = FormWidgets::caption(caption, field, this);
        const bool tall = field == m_attachments || field == m_body;
        form->addWidget(label, r, 0, tall ? Qt::AlignTop : Qt::Alignment());
        form->addWidget(field, r, 1);
    };
    row(QStringLiteral("Destinataire"), m_to);
    row(QStringLiteral("Copie"), m_cc);
    row(QStringLiteral("Sujet"), m_subject);
    row(QStringLiteral("Pièce(s) jointe(s)"), m_attachments);
    row(QStringLiteral("Message"), m_body);
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_priority);
    checks->addWidget(m_confirm);
    checks->addStretch();
    form->addLayout(checks, form->rowCount(), 1);

    const FormWidgets::OkCancel buttons = FormWidgets::okCancel(this);
    m_ok = buttons.ok;
    buttons.cancel->setAutoDefault(false);
    // Enter in the body writes a new line; only the button sends.
    m_ok->setDefault(false);
    m_ok->setAutoDefault(false);
    connectCommand(m_ok, &QPushButton::clicked, this, [this] { Btn_OkClick(); });
    connect(buttons.cancel, &QPushButton::clicked, this, &TSendEmail::Btn_CancelClick);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons.row);
    resize(520, 440);

    connect(m_to, &QLineEdit::textChanged, this, &TSendEmail::updateOk);
    connect(m_subject, &QLineEdit::textChanged, this, &TSendEmail::updateOk);
    updateOk();
}

void TSendEmail::addAttachment(const QString& path, const QString& type, const QString& sizeText,
                               const QIcon& icon)
{
    const QString name = QFileInfo(path).fileName();
    const QString detail = type + QStringLiteral(" - ") + sizeText;
    auto* item = new QListWidgetItem(icon, name, m_attachments);
    item->setData(PathRole, path);
    item->setData(DetailRole, detail);
    item->setData(Qt::AccessibleTextRole, name + QStringLiteral(", ") + detail);
    item->setSizeHint(QSize(0, kRowHeight));
    m_sizeTexts << sizeText;
}

MailMessage TSendEmail::message() const
{
    MailMessage m;
    m.senderName = m_senderName;
    m.senderEmail = m_senderEmail;
    m.to = m_to->text();
    m.bcc = m_cc->text();
    m.subject = m_subject->text();
    m.body = m_body->toPlainText();
    m.highPriority = m_priority->isChecked();
    m.readReceipt = m_confirm->isChecked();
    for (int i = 0; i < m_attachments->count(); ++i)
        m.attachments << m_attachments->item(i)->data(PathRole).toString();
    return m;
}

void TSendEmail::reject()
{
    if (!m_sending)
        QDialog::reject();
}

void TSendEmail::updateOk()
{
    m_ok->setEnabled(!m_to->text().isEmpty() || !m_subject->text().isEmpty());
}

void TSendEmail::Btn_OkClick()
{
    if (!m_ok->isEnabled())
        return;
    const MailMessage m = message();
    const qint64 estimate = MailAttachments::progressEstimate(m_sizeTexts);

    {
        BusyCursor busy;
        // Events are processed while the message goes out: nothing of the
        // dialog may start a second send meanwhile.
        setEnabled(false);
        m_sending = true;
        const auto enableAgain = qScopeGuard([this] {
            m_sending = false;
            setEnabled(true);
        });
        std::unique_ptr<TWait> wait;
        if (estimate > 0) {
            wait = std::make_unique<TWait>(this);
            wait->setObjectName(QStringLiteral("SendProgress"));
            wait->setTask(QStringLiteral("Envoie du message ..."));
            wait->setTotal(estimate + 1);
            wait->setBarVisible(true);
        }
        SmtpClient::send(m_server, m, [&wait](qint64 sent) {
            if (wait) {
                if (!wait->isVisible()) {
                    wait->centreInWorkArea();
                    wait->show();
                }
                wait->setPosition(sent);
            } else {
                QApplication::processEvents();
            }
        });
    }
    Messages::information(QStringLiteral("Le message a bien été expédié."));
    accept();
}
