#include "RuvedovUzedoz/Rendering/FontFamilies.h"

#include "RuvedovUzedoz/Pdf/CairoHandles.h"

#include <QSet>
#include <algorithm>
#include <pango/pangocairo.h>

namespace RuvedovUzedoz {

QStringList availableFontFamilies()
{
    // A font map of our own, so the list reflects the same fontconfig set the labels are drawn from
    // without touching the calling thread's shared map.
    GObjectHandle<PangoFontMap> fontMap(pango_cairo_font_map_new());
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(fontMap.get(), &families, &count);

    QSet<QString> seen;
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = QString::fromUtf8(pango_font_family_get_name(families[i]));
        if (!name.isEmpty() && !seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }
    g_free(families);

    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

} // namespace RuvedovUzedoz
