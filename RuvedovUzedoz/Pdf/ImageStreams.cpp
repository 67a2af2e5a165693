#include "RuvedovUzedoz/Pdf/ImageStreams.h"

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Pdf/IncrementalUpdate.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace RuvedovUzedoz {

namespace {

const QByteArray commentPrefix = QByteArrayLiteral("Sheetwright stream ");

void appendBigEndian16(QByteArray& out, int value)
{
    out.append(char((value >> 8) & 0xFF));
    out.append(char(value & 0xFF));
}

// The largest piece of a colour profile that one JPEG segment holds, after its 14-byte tag.
constexpr qsizetype profilePiece = 65533 - 14;

// The least JPEG the PDF writer reads a size from: start, a comment, a baseline frame header, end. A
// colour profile rides along in the segments a JPEG keeps one in, followed by a scan header so that
// the header reads as complete: the pass that tags JPEG images with their profiles tags this one too.
QByteArray standInJpeg(const QByteArray& comment, int width, int height, int components,
                       const QByteArray& profile)
{
    QByteArray jpeg("\xFF\xD8\xFF\xFE", 4);
    appendBigEndian16(jpeg, int(comment.size()) + 2);
    jpeg.append(comment);
    const qsizetype pieces = (profile.size() + profilePiece - 1) / profilePiece;
    for (qsizetype piece = 0; piece < pieces; ++piece) {
        const QByteArray part = profile.mid(piece * profilePiece, profilePiece);
        jpeg.append("\xFF\xE2", 2);
        appendBigEndian16(jpeg, int(part.size()) + 16);
        jpeg.append("ICC_PROFILE", 12); // with its NUL
        jpeg.append(char(piece + 1));
        jpeg.append(char(pieces));
        jpeg.append(part);
    }
    jpeg.append("\xFF\xC0", 2);
    appendBigEndian16(jpeg, 8 + 3 * components);
    jpeg.append(char(8));
    appendBigEndian16(jpeg, height);
    appendBigEndian16(jpeg, width);
    jpeg.append(char(components));
    for (int component = 1; component <= components; ++component) {
        jpeg.append(char(component));
        jpeg.append(char(0x11));
        jpeg.append(char(0));
    }
    if (!profile.isEmpty()) {
        jpeg.append("\xFF\xDA", 2);
        appendBigEndian16(jpeg, 6 + 2 * components);
        jpeg.append(char(components));
        for (int component = 1; component <= components; ++component) {
            jpeg.append(char(component));
            jpeg.append(char(0));
        }
        jpeg.append("\x00\x3F\x00", 3);
    }
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

// The incremental update, as text and the streams that go between it, laid out before anything is
// written so that every object's offset is known.
struct Update {
    struct Piece {
        std::string text;
        const ImageStreams::Stream* stream = nullptr; // written after `text`
    };
    std::vector<Piece> pieces;
    qint64 length = 0;

    void add(std::string text, const ImageStreams::Stream* stream = nullptr)
    {
        length += qint64(text.size()) + (stream ? stream->length : 0);
        pieces.push_back({std::move(text), stream});
    }
};

// Lays out the update of `document` (a file of `size` bytes, its last cross-reference section at
// `previous`) that replaces each stand-in of `streams` by its stream; no pieces when there is none.
Update streamUpdate(QPDF& document, const ImageStreams& streams, qint64 previous, qint64 size,
                    bool endsWithNewline)
{
    Update update;
    const qint64 base = size + (endsWithNewline ? 0 : 1);
    if (!endsWithNewline)
        update.add("\n");
    std::map<int, std::pair<int, qint64>> offsets; // object number → generation, offset
    IncrementalUpdate::forEachJpegImage(
        document, [&](QPDFObjGen id, qint64, QPDFObjectHandle& object, QPDFObjectHandle& dictionary) {
            // Only streams as long as a stand-in are read; real pictures are not.
            if (!streams.isStandInLength(dictionary.getKey("/Length").getIntValue()))
                return;
            const std::shared_ptr<Buffer> data = object.getRawStreamData();
            const ImageStreams::Stream* stream =
                streams.find(std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
            if (!stream)
                return;
            std::string text = std::to_string(id.getObj()) + " " + std::to_string(id.getGen()) + " obj\n<<";
            for (const std::string& key : dictionary.getKeys())
                if (key != "/Filter" && key != "/DecodeParms" && key != "/Length" && key != "/ColorSpace" &&
                    key != "/BitsPerComponent" && key != "/Decode")
                    text += " " + key + " " + dictionary.getKey(key).unparse();
            // A profile's colour space, which the tagging pass gave the stand-in as a reference, stays.
            QPDFObjectHandle space = dictionary.getKey("/ColorSpace");
            text += " /ColorSpace " + (space.isIndirect()        ? space.unparse()
                                       : stream->components == 1 ? std::string("/DeviceGray")
                                                                 : std::string("/DeviceRGB"));
            text += " /BitsPerComponent 8 /Filter /FlateDecode";
            if (stream->predicted)
                text += " /DecodeParms << /Predictor 15 /Colors " + std::to_string(stream->components) +
                        " /BitsPerComponent 8 /Columns " + std::to_string(stream->width) + " >>";
            text += " /Length " + std::to_string(stream->length) + " >>\nstream\n";
            offsets[id.getObj()] = {id.getGen(), base + update.length};
            update.add(std::move(text), stream);
            update.add("\nendstream\nendobj\n");
        });
    if (offsets.empty())
        return {};

    QPDFObjectHandle trailer = document.getTrailer();
    std::string tail = "xref\n";
    const qint64 crossReference = base + update.length;
    for (const auto& [object, entry] : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010lld %05d n \n", static_cast<long long>(entry.second),
                      entry.first);
        tail += std::to_string(object) + " 1\n" + line;
    }
    tail += "trailer\n<< /Size " + trailer.getKey("/Size").unparse() + " /Root " +
            trailer.getKey("/Root").unparse();
    if (trailer.hasKey("/Info"))
        tail += " /Info " + trailer.getKey("/Info").unparse();
    if (trailer.hasKey("/ID"))
        tail += " /ID " + trailer.getKey("/ID").unparse();
    tail += " /Prev " + std::to_string(previous) + " >>\nstartxref\n" + std::to_string(crossReference) +
            "\n%%EOF\n";
    update.add(std::move(tail));
    return update;
}

// Writes the update's text to `sink` and each stream with `writeStream`.
bool writeUpdate(const Update& update, const ImageStreams::Sink& sink,
                 const std::function<bool(const ImageStreams::Stream&)>& writeStream)
{
    for (const Update::Piece& piece : update.pieces) {
        if (!sink(piece.text.data(), qint64(piece.text.size())))
            return false;
        if (piece.stream && !writeStream(*piece.stream))
            return false;
    }
    return true;
}

void logPlacementFailure(const QString& reason)
{
    KestrelExtensions::Log::system(QStringLiteral("PDF rendering failed: ") + reason);
}

} // namespace

ImageStreams::ImageStreams(QString folder)
    : m_folder(std::move(folder)), m_token(QByteArray::number(QRandomGenerator::global()->generate64(), 36))
{
}

ImageStreams::~ImageStreams() = default;

QByteArray ImageStreams::add(const PreparedImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535 ||
        !image.deflated || image.deflated->size() == 0 ||
        (image.deflatedComponents != 1 && image.deflatedComponents != 3) ||
        image.deflatedProfile.size() > 255 * profilePiece)
        return {};
    // Rows already on the file system of the scratch file stay where they are: copying them would take as
    // much room there, and time on the drawing thread. Each holds a descriptor open, so only so many.
    if (m_heldFiles < maximumHeldFiles && onFolderFileSystem(*image.deflated)) {
        ++m_heldFiles;
        return keep({0, image.deflated->size(), image.width, image.height, image.deflatedComponents,
                     image.deflatedPredicted, image.deflated},
                    image);
    }
    if (!m_file) {
        QDir().mkpath(m_folder);
        m_file = std::make_unique<QTemporaryFile>(
            QDir(m_folder).filePath(QStringLiteral(".sheet-streams-XXXXXX")));
        if (!m_file->open()) {
            KestrelExtensions::Log::system(QStringLiteral("Cannot keep a picture aside: ") +
                                           m_file->errorString());
            m_file.reset();
            return {};
        }
    }
    Stream stream{m_file->size(), image.deflated->size(),   image.width,
                  image.height,   image.deflatedComponents, image.deflatedPredicted};
    if (!m_file->flush() || !image.deflated->copyTo(m_file->handle(), stream.offset)) {
        const QString reason =
            m_file->error() != QFileDevice::NoError ? m_file->errorString() : qt_error_string(errno);
        // What was written of it is overwritten by the next picture.
        m_file->resize(stream.offset);
        KestrelExtensions::Log::system(QStringLiteral("Cannot keep a picture aside: ") + reason);
        return {};
    }
    return keep(stream, image);
}

QByteArray ImageStreams::keep(Stream stream, const PreparedImage& image)
{
    const QByteArray comment =
        commentPrefix + m_token + ' ' + QByteArray::number(qulonglong(m_streams.size()));
    m_streams.push_back(std::move(stream));
    QByteArray standIn =
        standInJpeg(comment, image.width, image.height, image.deflatedComponents, image.deflatedProfile);
    m_standInLengths.insert(standIn.size());
    return standIn;
}

bool ImageStreams::onFolderFileSystem(const DeflatedRows& rows)
{
    if (!m_folderDevice) {
        QDir().mkpath(m_folder);
        struct stat folder {};
        m_folderDevice = ::stat(QFile::encodeName(m_folder).constData(), &folder) == 0 ? folder.st_dev : 0;
    }
    struct stat file {};
    return *m_folderDevice != 0 && rows.isValid() && ::fstat(rows.handle(), &file) == 0 &&
           file.st_dev == *m_folderDevice;
}

bool ImageStreams::isStandInLength(qint64 length) const
{
    return m_standInLengths.contains(length);
}

const ImageStreams::Stream* ImageStreams::find(const std::string& standIn) const
{
    const QByteArray bytes = QByteArray::fromStdString(standIn);
    // Start, comment marker, comment length, then the comment itself.
    if (bytes.size() < 6 || !bytes.startsWith(QByteArrayLiteral("\xFF\xD8\xFF\xFE")))
        return nullptr;
    const int length = (uchar(bytes[4]) << 8) | uchar(bytes[5]);
    const QByteArray comment = bytes.mid(6, length - 2);
    const QByteArray expected = commentPrefix + m_token + ' ';
    if (!comment.startsWith(expected))
        return nullptr;
    bool ok = false;
    const qulonglong index = comment.mid(expected.size()).toULongLong(&ok);
    return ok && index < m_streams.size() ? &m_streams[size_t(index)] : nullptr;
}

bool ImageStreams::copy(const Stream& stream, const Sink& sink) const
{
    if (stream.rows)
        return stream.rows->read(sink);
    if (!m_file || !m_file->flush() || !m_file->seek(stream.offset))
        return false;
    QByteArray buffer(qsizetype(std::min<qint64>(stream.length, 1 << 20)), Qt::Uninitialized);
    for (qint64 left = stream.length; left > 0;) {
        const qint64 read = m_file->read(buffer.data(), std::min<qint64>(left, buffer.size()));
        if (read <= 0 || !sink(buffer.constData(), read))
            return false;
        left -= read;
    }
    return true;
}

bool ImageStreams::place(QByteArray& pdf) const
{
    if (isEmpty())
        return true;
    Update update;
    try {
        const qint64 previous = IncrementalUpdate::lastCrossReference(pdf.right(1024));
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("contact sheet", pdf.constData(), size_t(pdf.size()));
        update = streamUpdate(document, *this, previous, pdf.size(), pdf.endsWith('\n'));
    } catch (const std::exception& error) {
        logPlacementFailure(QString::fromUtf8(error.what()));
        return false;
    }
    const qsizetype size = pdf.size();
    // Grown in place: appending past the capacity would move the whole document into a new block.
    pdf.reserve(size + qsizetype(update.length));
    const Sink append = [&pdf](const char* data, qint64 length) {
        pdf.append(data, qsizetype(length));
        return true;
    };
    if (!writeUpdate(update, append, [&](const Stream& stream) { return copy(stream, append); })) {
        pdf.truncate(size);
        logPlacementFailure(QStringLiteral("a picture kept aside cannot be read back"));
        return false;
    }
    return true;
}

bool ImageStreams::place(QFileDevice& file) const
{
    if (isEmpty())
        return true;
    if (!file.flush())
        return false; // the file's own error says why
    const qint64 size = file.size();
    Update update;
    try {
        const int descriptor = file.handle();
        QByteArray tail(std::min<qint64>(size, 1024), Qt::Uninitialized);
        if (descriptor < 0 ||
            pread(descriptor, tail.data(), size_t(tail.size()), size - tail.size()) != tail.size())
            throw std::runtime_error("the file cannot be read back");
        const qint64 previous = IncrementalUpdate::lastCrossReference(tail);
        FILE* stream = IncrementalUpdate::readingStream(descriptor);
        QPDF document;
        document.setSuppressWarnings(true);
        document.processFile("contact sheet", stream, true);
        update = streamUpdate(document, *this, previous, size, tail.endsWith('\n'));
    } catch (const std::exception& error) {
        logPlacementFailure(QString::fromUtf8(error.what()));
        return false;
    }
    if (!file.seek(size))
        return false;
    // The streams go from file to file without passing through this process where the files allow it.
    return writeUpdate(
        update, [&file](const char* data, qint64 length) { return file.write(data, length) == length; },
        [&](const Stream& stream) {
            const qint64 at = file.pos();
            const bool kept = stream.rows ? stream.rows->isValid() : m_file && m_file->flush();
            if (!kept || !file.flush() ||
                !DeflatedRows::copyBetween(stream.rows ? stream.rows->handle() : m_file->handle(),
                                           stream.offset, file.handle(), at, stream.length))
                return false;
            // The disk starts on each picture while the next is copied, so that the file is soon flushed
            // once it is finished.
            ::sync_file_range(file.handle(), at, stream.length, SYNC_FILE_RANGE_WRITE);
            return file.seek(at + stream.length);
        });
}
} // namespace RuvedovUzedoz
