#pragma once

#include <QSet>
#include <QString>
#include <QUrl>
#include <vector>

namespace KestrelExtensions {

// The file browser's name order: digit runs compare by value, case and width are ignored, accents count.
// Negative, zero or positive like strcmp. `localeName` empty means the process locale (root collation
// when that is C/POSIX, whose collation would put IMG_10 before IMG_2).
int localizedStandardCompare(const QString& a, const QString& b, const QString& localeName = {});

// Strictly ascending under localizedStandardCompare; false both ways for names the order ranks equal.
bool localizedStandardLess(const QString& a, const QString& b);

// Image URLs in the one order shown in the sidebar and on the pages: by base name in the order above,
// ties kept in full-path order so every caller sees the same sequence.
std::vector<QUrl> orderedImages(const QSet<QUrl>& images);
void sortImages(std::vector<QUrl>& images);

} // namespace KestrelExtensions
