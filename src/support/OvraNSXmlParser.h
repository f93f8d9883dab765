#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class OvraNSXmlParser;
class QXmlStreamAttributes;
class QXmlStreamReader;

// Whoever asks testParser2 for a result may take over the parser with it.
class OvraNSXmlParserReceiver
{
public:
    virtual ~OvraNSXmlParserReceiver() = default;
    virtual void parserDidFinish(std::unique_ptr<OvraNSXmlParser> parser,
                                 const QVariant &withResult) = 0;
};

struct OvraXmlParserError
{
    int code = 0; // QXmlStreamReader::Error
    QString description;
    qint64 line = 0;
    qint64 column = 0;

    // "Error <code> Description: ..., Line: ..., Column: ..."
    QString text() const;
};

// Turns a small XML document into nested QVariantMap / QVariantList / QString
// values. Which elements become dictionaries, arrays or lists of like siblings
// is decided by three name sets; every other element is a string leaf stored
// in the nearest enclosing container. External entities are never resolved.
class OvraNSXmlParser
{
public:
    // An open container: a dictionary or an array.
    struct Node
    {
        bool isArray = false;
        QVariantMap dictionary;
        QVariantList array;

        QVariant toVariant() const;
    };

    explicit OvraNSXmlParser(const QByteArray &data);
    ~OvraNSXmlParser();
    OvraNSXmlParser(const OvraNSXmlParser &) = delete;
    OvraNSXmlParser &operator=(const OvraNSXmlParser &) = delete;

    // Runs once; false after a fatal error (see parserError()).
    bool parse();

    // The result: invalid until the document ended without error.
    const QVariant &mDictionary() const { return mResult; }
    const std::optional<OvraXmlParserError> &parserError() const { return mParserError; }

    const QString &rootKey() const { return mRootKey; }
    void setRootKey(const QString &key) { mRootKey = key; }
    bool doVerbose() const { return mDoVerbose; }
    void setDoVerbose(bool verbose) { mDoVerbose = verbose; }
    const QSet<QString> &itemNeedsArray() const { return mItemNeedsArray; }
    void setItemNeedsArray(const QSet<QString> &names) { mItemNeedsArray = names; }
    const QSet<QString> &itemNeedsDictionary() const { return mItemNeedsDictionary; }
    void setItemNeedsDictionary(const QSet<QString> &names) { mItemNeedsDictionary = names; }
    const QSet<QString> &itemNeedsSpecialCare() const { return mItemNeedsSpecialCare; }
    void setItemNeedsSpecialCare(const QSet<QString> &names) { mItemNeedsSpecialCare = names; }

    // The container stack; its top is the parent of the current node.
    void pushOnStack(Node node);
    std::optional<Node> popFromStack();

    // Store operation A: a string into the current node.
    void addToCurNodeWithData(const std::optional<QString> &data, const QString &withElementName);
    // Store operation B: a finished container into its parent.
    void addToParNode(Node &parent, Node node, const QString &withElementName);

    // Percent escapes decoded as UTF-8; nothing when an escape or the bytes are invalid.
    static std::optional<QString> removePercentEncoding(const QString &text);

    // Reads a code info file (root key "data", verbose). No result when the
    // file cannot be read; an empty dictionary after a parse error.
    static std::optional<QVariantMap> testParser(const QString &path);
    // Parses with the default root key; the receiver, when given, takes over the parser.
    static QVariant testParser2(const QString &path, OvraNSXmlParserReceiver *receiver);

private:
    void didStartElement(const QString &name, const QXmlStreamAttributes &attributes);
    void foundCharacters(QStringView text);
    void didEndElement(const QString &name);
    void foundComment(QStringView comment);
    void didEndDocument();
    void parseErrorOccurred(const OvraXmlParserError &error);
    void abortWithError(const QString &description);

    // Whether to write the next verbose line: a long document logs only its start.
    bool logVerbosely();
    std::optional<QString> cleanText() const;
    bool isContainer(const QString &lowerName) const;
    static std::optional<QByteArray> readDocument(const QString &path, const QString &caller);

    QByteArray mData;
    QVariant mResult;
    QString mCurrentStringValue; // empty stands for "no text collected"
    std::vector<Node> mStack;    // back() is the top
    std::optional<Node> curNode;
    QSet<QString> mItemNeedsArray;
    QSet<QString> mItemNeedsDictionary;
    QSet<QString> mItemNeedsSpecialCare;
    QString mRootKey;
    bool mDoVerbose = false;
    std::optional<OvraXmlParserError> mParserError;

    QXmlStreamReader *mReader = nullptr; // only while parse() runs
    bool mParsed = false;
    int mDepth = 0;
    qsizetype mTextCharacters = 0;
    int mVerboseLines = 0;
};
