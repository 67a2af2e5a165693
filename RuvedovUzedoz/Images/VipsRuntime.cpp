#include "VipsRuntime.h"

#include "VipsApi.h"

#include <mutex>

namespace RuvedovUzedoz {

namespace {

// Our own log line names the file and the reason; the library's warnings would only repeat it.
void dropLibraryMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

bool VipsRuntime::ensureStarted()
{
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        started = vips_init("sheetwright") == 0;
        if (!started) {
            return;
        }
        vips_concurrency_set(1);
        vips_cache_set_max(0);
        vips_cache_set_max_mem(0);
        vips_cache_set_max_files(0);
        // Only the loaders of the formats read in this process may run here; the others (ImageMagick,
        // poppler, librsvg, and the loaders for scientific and raw formats) never see a file in it.
        vips_block_untrusted_set(TRUE);
        vips_operation_block_set("VipsForeignLoad", TRUE);
        for (const char* trusted : {"VipsForeignLoadJpeg", "VipsForeignLoadPng", "VipsForeignLoadWebp",
                                    "VipsForeignLoadTiff", "VipsForeignLoadNsgif"}) {
            vips_operation_block_set(trusted, FALSE);
        }
        g_log_set_handler("VIPS", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                          dropLibraryMessage, nullptr);
    });
    return started;
}

QString VipsRuntime::takeError()
{
    char* text = vips_error_buffer_copy();
    QString error = QString::fromUtf8(text).trimmed();
    g_free(text);
    const qsizetype newline = error.indexOf(QLatin1Char('\n'));
    if (newline >= 0) {
        error.truncate(newline);
    }
    return error;
}

} // namespace RuvedovUzedoz
