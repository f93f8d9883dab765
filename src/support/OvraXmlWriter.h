#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// Turns a tree of QVariantMap / QVariantList / QString / QDateTime values into
// indented XML. Map keys become element names, keys beginning with "@" become
// attributes of the enclosing element, list members get their element name
// from mLookupArrayName or a numbered default. Members are written in key order.
class OvraXmlWriter
{
public:
    OvraXmlWriter();

    // Keys "mainXmlKeyName", "dictionary", "writeXmlPath". Builds the text and
    // replaces the target file atomically; failures are logged, the answer is
    // always true (callers check the file itself).
    bool doStartConversion2(const QVariantMap &parameters);
    // Builds the text under the root name "data" without writing a file.
    bool doStartConversion(const QVariantMap &content);

    bool convertDictionaryToXml(QVariantMap dictionary, const QString &forKey);
    bool convertArrayToXml(const QVariantList &array, const QString &forKey);
    bool processEachObject(const QVariant &object, const QString &forKey);
    // The attribute text of the "@" members, which it removes from the dictionary.
    QString getAttributes(QVariantMap &dictionary);
    static QString getEndElementKeyName(const QString &key);
    bool putTabsWithIndexCount(int count);

    // "&", "<" and ">" as entities, so any value reads back as written.
    static QString escapeText(const QString &text);
    // The text form of a date member: UTC, "yyyy-MM-dd HH:mm:ss +0000".
    static QString dateText(const QDateTime &date);

    const QString &mString() const { return mText; }
    QVariantMap &mDictionary() { return mSpareDictionary; }
    QMap<QString, QString> &mLookupArrayName() { return mLookup; }
    int indentCount() const { return mIndentCount; }

private:
    void buildText(const QVariantMap &content, const QString &rootName);

    QString mText;
    QVariantMap mSpareDictionary;
    QMap<QString, QString> mLookup;
    int mIndentCount = 0;
};
