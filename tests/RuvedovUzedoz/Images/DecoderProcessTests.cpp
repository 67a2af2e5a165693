#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/Cancellation.h"
#include "RuvedovUzedoz/Images/DecoderProcess.h"
#include "RuvedovUzedoz/Images/DecoderProtocol.h"

#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace RuvedovUzedoz;
using namespace ImageFixtures;

// A decoder that dies, hangs or answers anything but a whole, sane answer costs its picture.
TEST(DecoderProcess, GivesAnUprightPictureOrAReason)
{
    Folder folder;
    // ImageMagick's own format, which only it reads, turned by `orientation`.
    const auto miff = [](const char* orientation) {
        return "id=ImageMagick\nclass=DirectClass type=TrueColor depth=8 columns=80 rows=50 orientation=" +
               QByteArray(orientation) + "\n\f\n:\x1a" + QByteArray(80 * 50 * 3, 'd');
    };
    const QByteArray huge = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"20000\" "
                            "height=\"20000\"><rect width=\"9\" height=\"9\"/></svg>";
    // A convolution this large makes the SVG library abort the process that runs it.
    const QByteArray aborting =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" height=\"200\"><filter "
        "id=\"f\"><feConvolveMatrix order=\"21\" kernelMatrix=\"" +
        QByteArray("1 ").repeated(21 * 21).trimmed() +
        "\"/></filter><rect width=\"200\" height=\"200\" filter=\"url(#f)\"/></svg>";
    // A stand-in's answer, for a picture whose own size is 7 × 9.
    const auto answer = [](int ok, int width, int height, int bands, quint64 length) {
        DecoderProtocol::Response response;
        std::tie(response.ok, response.width, response.height, response.bands, response.sourceWidth,
                 response.sourceHeight, response.length) = std::tuple(ok, width, height, bands, 7, 9, length);
        return QByteArray(reinterpret_cast<const char*>(&response), sizeof response);
    };
    const QString damaged = "its decoder gave a damaged answer", none = "its decoder gave no answer";
    const struct Row {
        const char* then; // none: the real program; "": none at all; else a stand-in's last command
        QByteArray bytes; // the picture, or what a stand-in answers first
        QString reason;
        QSize size = {}, source = {};
        const char* loader = "magick";
        ImageSettings settings = passingThrough();
        bool cancelled = false;
    } rows[] = {
        {nullptr, miff("TopLeft"), {}, {80, 50}, {80, 50}},
        {nullptr, miff("LeftTop"), {}, {50, 80}, {50, 80}},
        {nullptr, miff("LeftBottom"), {}, {50, 80}, {50, 80}},
        {nullptr, miff("TopLeft"), {}, {42, 26}, {80, 50}, "magick", compressing()}, // 300 dpi of 10 points
        {nullptr, readAll(folder.jpeg("photo.jpg")), "jpegload_buffer: operation is blocked"},
        {nullptr, huge, {}, {42, 42}, {20000, 20000}, "svg"},
        {nullptr, aborting, "its decoder stopped (signal 6, Aborted)", {}, {}, "svg"},
        {nullptr, "x", "VipsForeignLoad: buffer is not in a known format", {}, {}, "svg"},
        {nullptr, "", "the decoder was given no picture", {}, {}, "svg"},
        {nullptr, miff("TopLeft"), "the decoder was asked for an unknown format", {}, {}, "bogus"},
        {"exit 0", answer(1, 1, 2, 3, 6) + "abcdef", {}, {1, 2}, {7, 9}},
        {"exit 1", answer(1, 2, 1, 4, 8) + "abcdefgh", {}, {2, 1}, {7, 9}},
        {"exit 1", answer(0, 0, 0, 0, 5) + "nope!", "nope!"},
        {"exit 2", answer(1, 1, 2, 3, 6) + "abcdef", "its decoder failed (exit status 2)"},
        {"kill -9 $$", {}, "its decoder stopped (signal 9, Killed)"},
        {"exec sleep 60", {}, "the render was cancelled", {}, {}, "magick", passingThrough(), true},
        {"exit 0", {}, none},
        {"exit 0", QByteArray(sizeof(DecoderProtocol::Response), 'x'), none},
        {"exit 0", answer(1, 1, 2, 3, 6) + "abc", none},
        {"exit 0", answer(1, 0, 2, 3, 0), damaged},
        {"exit 0", answer(1, 1, 0, 3, 0), damaged},
        {"exit 0", answer(1, 1, 2, 2, 4), damaged},
        {"exit 0", answer(1, 1, 2, 3, 7), damaged},
        {"exit 0", answer(1, 1, 100000001, 3, 300000003), damaged},
        {"exit 0", answer(1, 10000, 10000, 3, 300000000), none},
        // Started with no signal blocked or ignored, whatever the calling thread blocks (USR1) or ignores
        // (USR2).
        {"kill -USR1 $$; exit 0", {}, "its decoder stopped (signal 10, User defined signal 1)"},
        {"kill -USR2 $$; exit 0", {}, "its decoder stopped (signal 12, User defined signal 2)"},
        {"exit 0", answer(0, 0, 0, 0, 4096), damaged},
        {"", {}, "its decoder program sheetwright-decoder is missing"},
    };
    Cancellation cancelled;
    cancelled.cancel();
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr); // both unused by the tests, so left so
    std::signal(SIGUSR2, SIG_IGN);
    int number = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(++number);
        const QString program = QString("decoder-%1").arg(number);
        if (row.then && *row.then) {
            folder.bytes(program + ".out", row.bytes);
            folder.bytes(program, QByteArray("#!/bin/sh\ncat \"$0.out\"\n") + row.then + "\n");
            QFile::setPermissions(folder.path(program), QFile::ReadOwner | QFile::ExeOwner);
        }
        DecoderProcess::setProgramPath(row.then ? QFile::encodeName(folder.path(program)) : QByteArray());
        const auto decoded = DecoderProcess::decode(row.loader, row.bytes, {10, 10}, row.settings,
                                                    row.cancelled ? &cancelled : nullptr);
        const QString* reason = std::get_if<QString>(&decoded);
        EXPECT_EQ((reason ? *reason : QString()).toStdString(), row.reason.toStdString());
        if (const auto* raster = std::get_if<DecoderProcess::Raster>(&decoded)) {
            EXPECT_EQ(QSize(raster->width, raster->height), row.size);
            EXPECT_EQ(raster->sourceSize, row.source);
            EXPECT_EQ(raster->pixels.size(), row.size.width() * row.size.height() * raster->bands);
            EXPECT_TRUE(!row.then || raster->pixels == row.bytes.mid(sizeof(DecoderProtocol::Response)));
        }
    }
    DecoderProcess::setProgramPath({});
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "every decoder is reaped";
}
