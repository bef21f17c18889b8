#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

// The window that shows a page of the working folder: printing it, saving
// a copy with its pictures and sub-pages, and the picture pages its links
// open in pop-up windows of their own.
class THtmlView : public QDialog
{
    Q_OBJECT
public:
    // `title` as the caller gives it, leading blanks included.
    THtmlView(const QString& page, const QString& title, QWidget* parent = nullptr);
    ~THtmlView() override;

    QTextBrowser* browser() const { return m_browser; }
    // The page shown now (a link may have led to another page of the folder).
    QString currentPage() const;

    // What a click on a link does: a pop-up link opens its page in a window
    // of its own, a page of the folder is shown here, any other file or
    // address goes to the desktop's application for it.
    void openLink(const QUrl& url);

public slots:
    void Btn_PrintClick();
    void Btn_SaveClick();

private:
    void savePdf();

    QTextBrowser* m_browser = nullptr;
};
