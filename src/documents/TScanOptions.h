#pragma once

#include <QDialog>

namespace Sane {
class Device;
}
class QVBoxLayout;
class QWidget;

// The device's own settings, shown before a scan when [Scan] ShowTwainUI is
// set: one field per active option, grouped as the device groups them. A
// change goes to the device at once (it may change other options);
// " &Numériser" scans, " &Annuler" scans nothing.
class TScanOptions : public QDialog
{
    Q_OBJECT
public:
    explicit TScanOptions(Sane::Device& device, QWidget* parent = nullptr);

private:
    void rebuild();
    void apply(int index, const QVariant& value);

    Sane::Device& m_device;
    QVBoxLayout* m_holder;
    QWidget* m_content = nullptr;
};
