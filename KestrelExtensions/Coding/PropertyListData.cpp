#include "PropertyListData.h"

#include "CodingError.h"

#include <QCborValue>
#include <QJsonArray>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>

namespace KestrelExtensions {

namespace {

// Deeper documents are refused rather than risking the stack on hostile input.
constexpr int maximumDepth = 512;

QString realText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("+infinity") : QStringLiteral("-infinity");
    return QString::number(value, 'g', 17);
}

// XML 1.0 holds tab, line feed, carriage return and the characters from U+0020 on, except lone
// surrogates and U+FFFE/U+FFFF; nothing else can be written, not even as a character reference.
bool xmlCanHold(char32_t character)
{
    return character == 0x9 || character == 0xA || character == 0xD ||
           (character >= 0x20 && character <= 0xD7FF) || (character >= 0xE000 && character <= 0xFFFD) ||
           (character >= 0x10000 && character <= 0x10FFFF);
}

// Writes `text` as an element's content. A carriage return goes out as a character reference, since a
// reader turns a literal one into a line feed; text that XML cannot hold throws rather than being
// changed.
void writeTextElement(QXmlStreamWriter& writer, const QString& name, const QString& text,
                      const QStringList& path)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t character = text[i].unicode();
        // A surrogate counts only as half of a pair; a lone one stays in the surrogate range and fails.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (!xmlCanHold(character)) {
            const QString code = QString::number(uint(character), 16).toUpper().rightJustified(4, u'0');
            throw EncodingError(
                path, QStringLiteral("The text holds the character U+%1, which a property list cannot hold.")
                          .arg(code));
        }
    }
    writer.writeStartElement(name);
    const QStringList lines = text.split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            writer.writeEntityReference(QStringLiteral("#13"));
        if (!lines[i].isEmpty())
            writer.writeCharacters(lines[i]);
    }
    writer.writeEndElement();
}

void writeValue(QXmlStreamWriter& writer, const QJsonValue& value, QStringList& path)
{
    switch (value.type()) {
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        writer.writeStartElement(QStringLiteral("dict"));
        for (auto it = object.begin(); it != object.end(); ++it) {
            path.append(it.key());
            writeTextElement(writer, QStringLiteral("key"), it.key(), path);
            writeValue(writer, it.value(), path);
            path.removeLast();
        }
        writer.writeEndElement();
        break;
    }
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        writer.writeStartElement(QStringLiteral("array"));
        for (qsizetype i = 0; i < array.size(); ++i) {
            path.append(QStringLiteral("Index %1").arg(i));
            writeValue(writer, array.at(i), path);
            path.removeLast();
        }
        writer.writeEndElement();
        break;
    }
    case QJsonValue::String:
        writeTextElement(writer, QStringLiteral("string"), value.toString(), path);
        break;
    case QJsonValue::Bool:
        writer.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QJsonValue::Double: {
        const QCborValue number = QCborValue::fromJsonValue(value);
        const double real = value.toDouble();
        if (number.isInteger())
            writer.writeTextElement(QStringLiteral("integer"), QString::number(number.toInteger()));
        else if (std::isfinite(real) && real == std::trunc(real) && std::abs(real) <= 9007199254740992.0)
            writer.writeTextElement(QStringLiteral("integer"), QString::number(qint64(real)));
        else
            writer.writeTextElement(QStringLiteral("real"), realText(real));
        break;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        throw EncodingError(path, QStringLiteral("Unable to encode nil in a property list."));
    }
}

class Reader {
public:
    explicit Reader(const QByteArray& data) : m_xml(data) {}

    QJsonValue document()
    {
        if (!nextElement() || m_xml.name() != QLatin1String("plist"))
            fail(QStringLiteral("The root element is not a property list."));
        if (!nextElement())
            fail(QStringLiteral("The property list holds no value."));
        const QJsonValue value = readValue(0);
        if (nextElement())
            fail(QStringLiteral("The property list holds more than one value."));
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return value;
    }

private:
    [[noreturn]] void fail(const QString& reason) const
    {
        throw DecodingError::dataCorrupted(
            {}, QStringLiteral("The given data was not a valid property list: %1 (line %2).")
                    .arg(reason)
                    .arg(m_xml.lineNumber()));
    }

    // Moves to the next start element of the current level; false at the end of the enclosing one.
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::Characters:
                if (!m_xml.isWhitespace())
                    fail(QStringLiteral("Unexpected text “%1”.").arg(m_xml.text().toString().trimmed()));
                break;
            default:
                break;
            }
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return false;
    }

    QString text()
    {
        const QString content = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return content;
    }

    QJsonValue readValue(int depth)
    {
        if (depth > maximumDepth)
            fail(QStringLiteral("Values are nested too deeply."));
        const auto name = m_xml.name();
        if (name == QLatin1String("dict")) {
            QJsonObject object;
            while (nextElement()) {
                if (m_xml.name() != QLatin1String("key"))
                    fail(QStringLiteral("A dictionary value has no key."));
                const QString key = text();
                if (!nextElement())
                    fail(QStringLiteral("The key “%1” has no value.").arg(key));
                object.insert(key, readValue(depth + 1));
            }
            return object;
        }
        if (name == QLatin1String("array")) {
            QJsonArray array;
            while (nextElement())
                array.append(readValue(depth + 1));
            return array;
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            if (!text().isEmpty())
                fail(QStringLiteral("A Boolean holds text."));
            return value;
        }
        if (name == QLatin1String("string"))
            return text();
        if (name == QLatin1String("integer"))
            return integer(text().trimmed());
        if (name == QLatin1String("real"))
            return real(text().trimmed());
        if (name == QLatin1String("data")) {
            QByteArray base64 = text().toLatin1();
            base64.replace(' ', "").replace('\t', "").replace('\n', "").replace('\r', "");
            const auto decoded =
                QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                fail(QStringLiteral("Invalid Base64 data."));
            return QString::fromLatin1(decoded.decoded.toBase64());
        }
        if (name == QLatin1String("date"))
            return text().trimmed();
        fail(QStringLiteral("Unknown element “%1”.").arg(name.toString()));
    }

    QJsonValue integer(const QString& text)
    {
        bool ok = false;
        const qint64 value = text.toLongLong(&ok, 10);
        if (!ok)
            fail(QStringLiteral("“%1” is not an integer.").arg(text));
        return QJsonValue(value);
    }

    QJsonValue real(const QString& text)
    {
        const QString lower = text.toLower();
        if (lower == QLatin1String("nan"))
            return std::nan("");
        if (lower == QLatin1String("+infinity") || lower == QLatin1String("infinity") ||
            lower == QLatin1String("inf") || lower == QLatin1String("+inf"))
            return HUGE_VAL;
        if (lower == QLatin1String("-infinity") || lower == QLatin1String("-inf"))
            return -HUGE_VAL;
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("“%1” is not a number.").arg(text));
        return value;
    }

    QXmlStreamReader m_xml;
};

} // namespace

QByteArray propertyListData(const QJsonValue& value, PropertyListFormat format)
{
    if (format == PropertyListFormat::Binary)
        throw EncodingError({},
                            QStringLiteral("Binary property lists are not supported; use the XML format."));
    QByteArray data;
    QXmlStreamWriter writer(&data);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(-1);
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    writer.writeStartElement(QStringLiteral("plist"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    QStringList path;
    writeValue(writer, value, path);
    writer.writeEndElement();
    writer.writeEndDocument();
    return data;
}

QJsonValue propertyListValue(const QByteArray& data)
{
    if (data.startsWith("bplist"))
        throw DecodingError::dataCorrupted(
            {}, QStringLiteral("Binary property lists are not supported; only the XML format is read."));
    return Reader(data).document();
}

} // namespace KestrelExtensions
