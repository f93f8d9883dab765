#pragma once

#include <QVariant>
#include <QWidget>

class QLineEdit;

// A one-line editor for a list of names, shown and typed separated by commas,
// so a preference binding can tie an array key to it (its value is the user
// property). It shows a list or a comma-separated text alike and always
// stores a list.
class StringListField : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(
        QVariant value READ value WRITE setValue RESET clearValue NOTIFY valueChanged USER true)
public:
    explicit StringListField(QWidget *parent = nullptr);

    // The names, trimmed, blanks left out (QVariantList of strings).
    QVariant value() const;
    void setValue(const QVariant &value);
    void clearValue();

    QLineEdit *lineEdit() const { return edit_; }

signals:
    // The operator edited the names.
    void valueChanged();

private:
    QLineEdit *edit_;
};
