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

// The process locale is read once: looking it up on every compare would dominate a sort.
const UCollator* processCollator()
{
    static const UCollator* const collator = collatorFor(processCollationLocale());
    return collator;
}

// The collator's sort key: keys compare bytewise exactly as the collator compares the strings.
std::string sortKey(const UCollator* collator, const QString& text)
{
    std::string key(size_t(text.size()) * 4 + 16, '\0');
    const auto source = reinterpret_cast<const UChar*>(text.utf16());
    int32_t length = ucol_getSortKey(collator, source, int32_t(text.size()),
                                     reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (length > int32_t(key.size())) {
        key.resize(size_t(length));
        length = ucol_getSortKey(collator, source, int32_t(text.size()),
                                 reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    }
    key.resize(size_t(std::max(length, 1)) - 1); // without the closing zero byte
    return key;
}

} // namespace

int localizedStandardCompare(const QString& a, const QString& b, const QString& localeName)
{
    const UCollator* collator = localeName.isEmpty() ? processCollator() : collatorFor(localeName);
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
    struct Entry {
        QUrl url;
        QString path;
        QString name;
        std::string key;
    };
    std::vector<Entry> entries;
    entries.reserve(images.size());
    for (QUrl& url : images) {
        QString path = url.path();
        QString name = baseName(url);
        entries.push_back(Entry{std::move(url), std::move(path), std::move(name), {}});
    }
    // Pre-order by full path (then the whole URL) so that names the order ranks equal always come out in
    // the same sequence, whatever order the set handed them over in.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int byPath = a.path.compare(b.path);
        return byPath != 0 ? byPath < 0 : a.url < b.url;
    });
    if (const UCollator* collator = processCollator()) {
        for (Entry& entry : entries)
            entry.key = sortKey(collator, entry.name);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.key < b.key; });
    } else {
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return localizedStandardLess(a.name, b.name);
        });
    }
    images.clear();
    for (Entry& entry : entries)
        images.push_back(std::move(entry.url));
}

std::vector<QUrl> orderedImages(const QSet<QUrl>& images)
{
    std::vector<QUrl> list(images.begin(), images.end());
    sortImages(list);
    return list;
}

} // namespace KestrelExtensions
