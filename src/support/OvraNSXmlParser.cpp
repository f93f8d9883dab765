#include "support/OvraNSXmlParser.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

const QString kClassName = QStringLiteral("OvraNSXmlParser");

QString attributesText(const QXmlStreamAttributes &attributes)
{
    QStringList pairs;
    for (const QXmlStreamAttribute &attribute : attributes) {
        pairs << QStringLiteral("%1=\"%2\"").arg(attribute.qualifiedName(), attribute.value());
    }
    return pairs.join(QLatin1Char(' '));
}

} // namespace

QString OvraXmlParserError::text() const
{
    return kXmlLogErrorText.arg(QString::number(code), description, QString::number(line),
                                QString::number(column));
}

OvraNSXmlParser::OvraNSXmlParser(const QByteArray &data)
    : mData(data), mItemNeedsArray{kXmlNameIds, kXmlNameGroupCodes},
      mItemNeedsDictionary{kXmlNameImage, kXmlNameResponse, kXmlNameSubDictionary,
                           kXmlNameSubDictionary2, kXmlNameData},
      mItemNeedsSpecialCare{kXmlNameImage}, mRootKey(kXmlNameResponse)
{
    // The document dictionary: where the outermost container lands.
    mStack.emplace_back();
}

OvraNSXmlParser::~OvraNSXmlParser() = default;

bool OvraNSXmlParser::parse()
{
    if (mParsed) {
        return !mParserError;
    }
    mParsed = true;
    if (mData.size() > kXmlMaxDocumentBytes) {
        parseErrorOccurred(
            {QXmlStreamReader::CustomError, kXmlErrorTooLarge.arg(kXmlMaxDocumentBytes), 0, 0});
        return false;
    }

    // No entity resolver is installed, so external entities are never fetched;
    // the reader's own entity-expansion limit stays at its default.
    QXmlStreamReader reader(mData);
    reader.setNamespaceProcessing(false);
    mReader = &reader;
    while (!reader.atEnd() && !reader.hasError()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            didStartElement(reader.qualifiedName().toString(), reader.attributes());
            break;
        case QXmlStreamReader::Characters:
            // CDATA sections are not character data for this reader.
            if (!reader.isCDATA()) {
                foundCharacters(reader.text());
            }
            break;
        case QXmlStreamReader::EndElement:
            didEndElement(reader.qualifiedName().toString());
            break;
        case QXmlStreamReader::Comment:
            foundComment(reader.text());
            break;
        case QXmlStreamReader::EndDocument:
            didEndDocument();
            break;
        default:
            break;
        }
    }
    mReader = nullptr;
    if (reader.hasError()) {
        parseErrorOccurred({int(reader.error()), reader.errorString(), reader.lineNumber(),
                            reader.columnNumber()});
        return false;
    }
    return true;
}

bool OvraNSXmlParser::logVerbosely()
{
    // Three lines per element: a document of many small elements would
    // otherwise take minutes and fill the log.
    constexpr int maxVerboseLines = 600;
    return mDoVerbose && mVerboseLines++ < maxVerboseLines;
}

void OvraNSXmlParser::abortWithError(const QString &description)
{
    if (mReader) {
        mReader->raiseError(description);
    }
}

void OvraNSXmlParser::didStartElement(const QString &name, const QXmlStreamAttributes &attributes)
{
    // Our own stack is flat, but results nested this deep are never legitimate.
    if (++mDepth > kXmlMaxDepth) {
        abortWithError(kXmlErrorTooDeep.arg(kXmlMaxDepth));
        return;
    }
    if (logVerbosely()) {
        OvraLog(kXmlLogStartElement.arg(kClassName, QStringLiteral("didStartElement"), name,
                                        attributesText(attributes)));
    }
    if (name.compare(kXmlNameHtml, Qt::CaseInsensitive) == 0) {
        OvraLog(kXmlLogHtmlAbort);
        abortWithError(kXmlErrorHtmlAborted);
        return;
    }

    const QString lowerName = name.toLower();
    std::optional<Node> node;
    if (mItemNeedsArray.contains(lowerName)) {
        node = Node{true, {}, {}};
    }
    if (mItemNeedsDictionary.contains(lowerName)) {
        Node dictionary;
        for (const QXmlStreamAttribute &attribute : attributes) {
            dictionary.dictionary.insert(attribute.qualifiedName().toString(),
                                         attribute.value().toString());
        }
        node = std::move(dictionary);
    }
    if (!node) {
        return; // a leaf: its text keeps collecting in the buffer
    }
    if (curNode) {
        pushOnStack(std::move(*curNode));
    }
    curNode = std::move(node);
}

void OvraNSXmlParser::foundCharacters(QStringView text)
{
    if (text.isEmpty()) {
        return;
    }
    // Bounds memory against documents that expand entities over and over.
    mTextCharacters += text.size();
    if (mTextCharacters > kXmlMaxTextCharacters) {
        abortWithError(kXmlErrorTooMuchText.arg(kXmlMaxTextCharacters));
        return;
    }
    if (logVerbosely()) {
        OvraLog(
            kXmlLogCharacters.arg(kClassName, QStringLiteral("foundCharacters"), text.toString()));
    }
    mCurrentStringValue += text;
}

void OvraNSXmlParser::didEndElement(const QString &name)
{
    --mDepth;
    const std::optional<QString> text = cleanText();
    if (!text) {
        // Text that is not valid percent-encoding is dropped here rather than
        // left in front of the next element's text.
        mCurrentStringValue.clear();
    }
    if (logVerbosely()) {
        OvraLog(kXmlLogEndElement.arg(kClassName, QStringLiteral("didEndElement"), name,
                                      text.value_or(QString())));
    }
    if (!isContainer(name.toLower())) {
        addToCurNodeWithData(text, name);
        return;
    }
    if (text && !text->trimmed().isEmpty()) {
        OvraLog(kXmlLogContainerText.arg(kClassName, QStringLiteral("didEndElement"), name, *text));
        addToCurNodeWithData(text, kXmlNameValue);
    }
    std::optional<Node> parent = popFromStack();
    if (parent && curNode) {
        addToParNode(*parent, std::move(*curNode), name);
    }
    curNode = std::move(parent);
}

void OvraNSXmlParser::foundComment(QStringView comment)
{
    OvraLog(kXmlLogCommentRule);
    OvraLog(comment.toString());
    OvraLog(kXmlLogCommentRule);
}

void OvraNSXmlParser::didEndDocument()
{
    mResult = curNode ? curNode->toVariant() : QVariant();
    if (!mRootKey.isEmpty() && mResult.metaType() == QMetaType::fromType<QVariantMap>()) {
        const QVariantMap document = mResult.toMap();
        const auto member = document.constFind(mRootKey);
        if (member != document.constEnd()) {
            mResult = *member;
        }
    }
    if (mDoVerbose) {
        OvraLog(kXmlLogEndDocument.arg(kClassName, QStringLiteral("didEndDocument"),
                                       QString::number(mResult.toMap().size())));
    }
}

void OvraNSXmlParser::parseErrorOccurred(const OvraXmlParserError &error)
{
    mParserError = error;
    OvraLog(
        kXmlLogErrorErrorError.arg(kClassName, QStringLiteral("parseErrorOccurred"), error.text()));
    mCurrentStringValue.clear();
}

std::optional<QByteArray> OvraNSXmlParser::readDocument(const QString &path, const QString &caller)
{
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        OvraLog(kXmlLogCannotRead.arg(kClassName, caller, path, QStringLiteral("is a folder")));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        OvraLog(kXmlLogCannotRead.arg(kClassName, caller, path, file.errorString()));
        return std::nullopt;
    }
    // One byte past the limit is enough for the parser to refuse the document.
    QByteArray data = file.read(kXmlMaxDocumentBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        OvraLog(kXmlLogCannotRead.arg(kClassName, caller, path, file.errorString()));
        return std::nullopt;
    }
    return data;
}

std::optional<QVariantMap> OvraNSXmlParser::testParser(const QString &path)
{
    const std::optional<QByteArray> data = readDocument(path, QStringLiteral("testParser"));
    if (!data) {
        return std::nullopt;
    }
    OvraNSXmlParser parser(*data);
    parser.setDoVerbose(true);
    parser.setRootKey(kXmlNameData);
    if (!parser.parse() && parser.parserError()) {
        OvraLog(kXmlLogParserError.arg(parser.parserError()->text()));
    }
    return parser.mDictionary().toMap();
}

QVariant OvraNSXmlParser::testParser2(const QString &path, OvraNSXmlParserReceiver *receiver)
{
    const std::optional<QByteArray> data = readDocument(path, QStringLiteral("testParser2"));
    if (!data) {
        return {};
    }
    auto parser = std::make_unique<OvraNSXmlParser>(*data);
    parser->parse();
    const QVariant result = parser->mDictionary();
    if (receiver) {
        receiver->parserDidFinish(std::move(parser), result);
    }
    return result;
}
