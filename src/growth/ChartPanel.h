#pragma once

#include <functional>
#include <QList>
#include <QStyle>
#include <QWidget>

class LineChart;
class QPushButton;
class QVBoxLayout;

// A chart with its strip of buttons down its right side, as the "Général"
// and "Analyses" pages show them.
class ChartPanel : public QWidget
{
    Q_OBJECT
public:
    ChartPanel(const QString& chartName, const QString& accessibleName, QWidget* parent = nullptr);

    LineChart* chart() const { return m_chart; }
    // A picture button named `hint` for assistive technologies; the handler
    // runs through the command guard. Without a handler the button stays
    // disabled.
    QPushButton* addButton(const QString& name, const QString& hint, const QString& themeIcon,
                           QStyle::StandardPixmap fallback, std::function<void()> handler);
    // The chart and its working buttons are enabled exactly when there is a person.
    void setAvailable(bool available);

private:
    LineChart* m_chart;
    QVBoxLayout* m_strip;
    QList<QPushButton*> m_working;
};
