#include "LocalizedStandardOrder.h"

#include "../URL/BaseName.h"

#include <QLocale>
#include <algorithm>
#include <memory>
#include <mutex>
#include <unicode/ucol.h>
#include <unordered_map>

namespace KestrelExtensions {

namespace {

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using CollatorHandle = std::unique_ptr<UCollator, CollatorCloser>;

QString processCollationLocale()
{
    const QLocale locale = QLocale::system().collation();
    if (locale.language() == QLocale::C)
        return {};
    return locale.name();
}

// Collators are opened once per locale and shared: ICU allows concurrent compares on one collator.
const UCollator* collatorFor(const QString& localeName)
{
    static std::mutex mutex;
    static std::unordered_map<std::string, CollatorHandle> collators;
    const std::string key = localeName.toStdString();
    std::lock_guard lock(mutex);
    auto found = collators.find(key);
    if (found != collators.end())
        return found->second.get();
    UErrorCode status = U_ZERO_ERROR;
    CollatorHandle collator(ucol_open(key.c_str(), &status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(ucol_open("", &status));
    }
    if (collator) {
        status = U_ZERO_ERROR;
        ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
        ucol_setAttribute(collator.get(), UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    }
    return collators.emplace(key, std::move(collator)).first->second.get();
}

} // namespace

int localizedStandardCompare(const QString& a, const QString& b, const QString& localeName)
{
    const UCollator* collator = collatorFor(localeName.isEmpty() ? processCollationLocale() : localeName);
    if (!collator)
        return QString::compare(a, b, Qt::CaseInsensitive);
    const UCollationResult result =
        ucol_strcoll(collator, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                     reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

bool localizedStandardLess(const QString& a, const QString& b)
{
    return localizedStandardCompare(a, b) < 0;
}

void sortImages(std::vector<QUrl>& images)
{
    // Pre-order by full path (then the whole URL) so that names the order ranks equal always come out in
    // the same sequence, whatever order the set handed them over in.
    std::sort(images.begin(), images.end(), [](const QUrl& a, const QUrl& b) {
        const int byPath = a.path().compare(b.path());
        return byPath != 0 ? byPath < 0 : a < b;
    });
    std::vector<QString> names;
    names.reserve(images.size());
    for (const QUrl& url : images)
        names.push_back(baseName(url));
    std::vector<size_t> order(images.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return localizedStandardLess(names[a], names[b]); });
    std::vector<QUrl> sorted;
    sorted.reserve(images.size());
    for (size_t i : order)
        sorted.push_back(images[i]);
    images = std::move(sorted);
}

std::vector<QUrl> orderedImages(const QSet<QUrl>& images)
{
    std::vector<QUrl> list(images.begin(), images.end());
    sortImages(list);
    return list;
}

} // namespace KestrelExtensions
