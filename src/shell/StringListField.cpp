#include "shell/StringListField.h"

#include <QHBoxLayout>
#include <QLineEdit>

namespace {
const QString kSeparator = QStringLiteral(",");
const QString kShownSeparator = QStringLiteral(", ");
} // namespace

StringListField::StringListField(QWidget *parent) : QWidget(parent), edit_(new QLineEdit(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    setFocusProxy(edit_);
    setSizePolicy(edit_->sizePolicy());
    connect(edit_, &QLineEdit::textEdited, this, &StringListField::valueChanged);
}

QVariant StringListField::value() const
{
    QVariantList names;
    const QStringList parts = edit_->text().split(kSeparator);
    for (const QString &part : parts) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) {
            names << name;
        }
    }
    return names;
}

void StringListField::setValue(const QVariant &value)
{
    QStringList names;
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        names = value.toStringList();
    } else if (value.isValid()) {
        names = value.toString().split(kSeparator);
    }
    for (QString &name : names) {
        name = name.trimmed();
    }
    names.removeAll(QString());
    // Leave the text alone while it already says this, so a comma just typed stays.
    if (this->value().toStringList() != names) {
        edit_->setText(names.join(kShownSeparator));
    }
}

void StringListField::clearValue()
{
    edit_->clear();
}
