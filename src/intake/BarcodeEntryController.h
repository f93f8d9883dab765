#pragma once

#include <QObject>
#include <QString>

// Code intake: the scanner's keystrokes become codes, and a code is activated.
class BarcodeEntryController : public QObject
{
    Q_OBJECT
public:
    explicit BarcodeEntryController(QObject *parent = nullptr);

    QString fCurrentBarcode;

    // Finds the code's photos and hands them to a display.
    void FindOvraFilesWithID(const QString &code);
};
