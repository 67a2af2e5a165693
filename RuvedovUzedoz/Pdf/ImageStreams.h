#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class QTemporaryFile;

namespace RuvedovUzedoz {
class DeflatedRows;
}

namespace RuvedovUzedoz {

struct PreparedImage;

// Picture streams compressed before the page was drawn, kept in a scratch file beside the PDF until it is
// finished. The page draws a stand-in: a JPEG header of the picture's size and colours with a comment
// naming its stream (and the picture's colour profile, when it has one), which the PDF writer embeds as it
// is; the finishing pass puts each stream in its stand-in's place. So the drawing thread never compresses
// pictures, and they are never all in memory.
class ImageStreams {
public:
    struct Stream {
        qint64 offset = 0; // in the scratch file
        qint64 length = 0;
        int width = 0;
        int height = 0;
        int components = 3;     // 1 grey, 3 RGB
        bool predicted = false; // rows with PNG filter bytes: read with the PNG predictors
        // When set, the stream is these rows, in their own file, rather than a piece of the scratch file.
        std::shared_ptr<const DeflatedRows> rows{};
    };
    // What the stream's bytes go to; false stops the copy.
    using Sink = std::function<bool(const char* data, qint64 length)>;

    // The scratch file goes into `folder`, made when first needed.
    explicit ImageStreams(QString folder);
    ~ImageStreams();
    ImageStreams(const ImageStreams&) = delete;
    ImageStreams& operator=(const ImageStreams&) = delete;

    // Rows on the scratch file's file system are kept in their own files, held until the streams go, up to
    // this many files open at once; the others are copied into the scratch file.
    static constexpr int maximumHeldFiles = 128;

    // Keeps the picture's compressed rows (Encoding::Deflated) and returns its stand-in; empty when the
    // scratch file cannot take them (one log line).
    QByteArray add(const PreparedImage& image);
    bool isEmpty() const { return m_streams.empty(); }

    // Whether a stand-in of this many bytes was made: no other stream needs to be read to be told apart.
    bool isStandInLength(qint64 length) const;
    // The stream that stand-in bytes name, or nullptr for any other bytes.
    const Stream* find(const std::string& standIn) const;
    // Sends the stream's bytes to `sink` a piece at a time; false when they cannot be read or `sink` fails.
    bool copy(const Stream& stream, const Sink& sink) const;

    // Puts each stream in its stand-in's place in the finished `pdf`: the image objects are appended
    // anew as an incremental update, with their compressed rows. False (one log line) when the file
    // cannot be read; `pdf` is then unchanged.
    bool place(QByteArray& pdf) const;
    // The same for a PDF written to `file` (open for reading and writing, the PDF all written to it).
    // False when it cannot be read back (one log line) or written (the file's own error says why).
    bool place(QFileDevice& file) const;

private:
    QByteArray keep(Stream stream, const PreparedImage& image);
    bool onFolderFileSystem(const DeflatedRows& rows);

    QString m_folder;
    std::optional<dev_t> m_folderDevice;
    int m_heldFiles = 0;
    // Tells this document's stand-ins from any comment a picture of the user's might carry.
    QByteArray m_token;
    std::unique_ptr<QTemporaryFile> m_file;
    std::vector<Stream> m_streams;
    QSet<qint64> m_standInLengths;
};

} // namespace RuvedovUzedoz
