#include "LayoutUndoStep.h"

#include "KestrelExtensions/Localization/Localized.h"

#include <vector>

using RuvedovUzedoz::PageLayout;

namespace Sheetwright {

namespace {
struct Field {
    const char* name;
    bool (*differs)(const PageLayout&, const PageLayout&);
};

template <auto member> bool differs(const PageLayout& a, const PageLayout& b)
{
    return !(a.*member == b.*member);
}

// Named as the settings column labels them.
const std::vector<Field>& fields()
{
    static const std::vector<Field> all{
        {"Change Width", differs<&PageLayout::width>},
        {"Change Height", differs<&PageLayout::height>},
        {"Change Margin", differs<&PageLayout::margin>},
        {"Change Compressor", differs<&PageLayout::enableQuartz>},
        {"Change Compression Quality", differs<&PageLayout::imageQuality>},
        {"Change Image Scale", differs<&PageLayout::imageScaleFactor>},
        {"Change Image Resolution", differs<&PageLayout::imageResolution>},
        {"Change Image Quality", differs<&PageLayout::imageSizeMax>},
        {"Change Smallest Image Size", differs<&PageLayout::imageSizeMin>},
        {"Change Bounding Boxes", differs<&PageLayout::drawsBoundingBox>},
        {"Change Draw Images", differs<&PageLayout::drawsImages>},
        {"Change Draw Background", differs<&PageLayout::drawsBackground>},
        {"Change Show Labels", differs<&PageLayout::showsLabel>},
        {"Change Font Size", differs<&PageLayout::fontSize>},
        {"Change Font Color", differs<&PageLayout::fontColor>},
        {"Change Font Name", differs<&PageLayout::fontName>},
        {"Change Background Color", differs<&PageLayout::backgroundColor>},
        {"Change Rows", differs<&PageLayout::rows>},
        {"Change Columns", differs<&PageLayout::columns>},
    };
    return all;
}
} // namespace

UndoStep layoutUndoStep(const PageLayout& before, const PageLayout& after)
{
    PageLayout rotated = before;
    rotated.swapDimensions();
    if (rotated == after && !(before == after))
        return {KestrelExtensions::localized("Rotate Page")};
    int changed = -1;
    for (int index = 0; index < int(fields().size()); ++index) {
        if (!fields()[size_t(index)].differs(before, after))
            continue;
        if (changed >= 0)
            return {KestrelExtensions::localized("Change Layout")};
        changed = index;
    }
    if (changed < 0)
        return {KestrelExtensions::localized("Change Layout")};
    return {KestrelExtensions::localized(fields()[size_t(changed)].name), changed};
}

} // namespace Sheetwright
