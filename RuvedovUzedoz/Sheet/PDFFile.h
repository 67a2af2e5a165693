#pragma once

#include <QString>
#include <memory>

namespace RuvedovUzedoz {

// A rendered PDF kept on disk instead of in memory: a file of this process's own, removed when the last
// holder lets go of it (and, for any still held, when the process exits normally). A sheet of full-size
// pictures is as large as the pictures, so a window that held its PDF in memory would grow with it.
class PDFFile {
public:
    // A new, empty file in `folder` (made when missing), or null with one log line saying why; with
    // `failure` given, the reason goes there instead of the log.
    static std::shared_ptr<PDFFile> create(const QString& folder, QString* failure = nullptr);
    // Removes the files that processes no longer running left in `folder` (after a crash, say).
    static void removeLeftovers(const QString& folder);

    ~PDFFile();
    PDFFile(const PDFFile&) = delete;
    PDFFile& operator=(const PDFFile&) = delete;

    const QString& path() const { return m_path; }

private:
    explicit PDFFile(QString path);
    QString m_path;
};

} // namespace RuvedovUzedoz
