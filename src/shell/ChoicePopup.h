#pragma once

#include <QVariant>
#include <QWidget>

#include <optional>

class QComboBox;

// A pop-up of named choices that stands for a whole number, so a preference
// binding can tie an integer key to it (its value is the user property).
// A stored number that is no listed choice shows as the fallback choice, the
// one the readers of the key act on, without being written back.
class ChoicePopup : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(
        QVariant value READ value WRITE setValue RESET clearValue NOTIFY valueChanged USER true)
public:
    explicit ChoicePopup(QWidget *parent = nullptr);

    void addChoice(const QString &text, qint64 value);
    void setFallbackValue(qint64 value);

    // The chosen number (qint64); invalid when nothing is chosen.
    QVariant value() const;
    void setValue(const QVariant &value);
    void clearValue();

    QComboBox *comboBox() const { return combo_; }

signals:
    // The operator chose another entry.
    void valueChanged();

private:
    int indexOf(qint64 value) const;

    QComboBox *combo_;
    std::optional<qint64> fallback_;
    bool showing_ = false;
};
