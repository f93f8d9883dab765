// The container stack and the two store operations of OvraNSXmlParser.

#include "support/OvraNSXmlParser.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

QVariant OvraNSXmlParser::Node::toVariant() const
{
    return isArray ? QVariant(array) : QVariant(dictionary);
}

void OvraNSXmlParser::pushOnStack(Node node)
{
    mStack.push_back(std::move(node));
}

std::optional<OvraNSXmlParser::Node> OvraNSXmlParser::popFromStack()
{
    if (mStack.empty()) {
        return std::nullopt;
    }
    Node top = std::move(mStack.back());
    mStack.pop_back();
    return top;
}

bool OvraNSXmlParser::isContainer(const QString &lowerName) const
{
    return mItemNeedsArray.contains(lowerName) || mItemNeedsDictionary.contains(lowerName);
}

std::optional<QString> OvraNSXmlParser::cleanText() const
{
    if (mCurrentStringValue.isEmpty()) {
        return std::nullopt;
    }
    return removePercentEncoding(mCurrentStringValue.trimmed());
}

void OvraNSXmlParser::addToCurNodeWithData(const std::optional<QString> &data,
                                           const QString &withElementName)
{
    if (!data) {
        return;
    }
    if (curNode) {
        if (curNode->isArray) {
            curNode->array.append(*data);
        } else {
            curNode->dictionary.insert(withElementName, *data);
        }
    }
    mCurrentStringValue.clear();
}

void OvraNSXmlParser::addToParNode(Node &parent, Node node, const QString &withElementName)
{
    const QVariant value = node.toVariant();
    if (parent.isArray) {
        parent.array.append(value);
        return;
    }
    if (!mItemNeedsSpecialCare.contains(withElementName.toLower())) {
        parent.dictionary.insert(withElementName, value);
        return;
    }
    // Like siblings collect into one array, even when there is only one of them.
    const auto member = parent.dictionary.find(withElementName);
    if (member == parent.dictionary.end()) {
        parent.dictionary.insert(withElementName, QVariantList{value});
    } else if (member->metaType() == QMetaType::fromType<QVariantList>()) {
        static_cast<QVariantList *>(member->data())->append(value);
    } else {
        const QString warning = kXmlLogSpecialCareConflict.arg(
            QStringLiteral("OvraNSXmlParser"), QStringLiteral("addToParNode"), withElementName);
        OvraLog(warning);
        OvraLog(warning);
    }
}

std::optional<QString> OvraNSXmlParser::removePercentEncoding(const QString &text)
{
    if (!text.contains(QLatin1Char('%'))) {
        return text;
    }
    const QByteArray encoded = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            bytes += encoded[i];
            continue;
        }
        if (i + 2 >= encoded.size()) {
            return std::nullopt;
        }
        const int high = hexValue(encoded[i + 1]);
        const int low = hexValue(encoded[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes += char(high * 16 + low);
        i += 2;
    }
    // Invalid or truncated UTF-8 becomes U+FFFD, which does not encode back
    // to the same bytes.
    QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes) {
        return std::nullopt;
    }
    return decoded;
}
