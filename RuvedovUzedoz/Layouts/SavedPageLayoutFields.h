#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"

namespace RuvedovUzedoz {

// The one list of the saved layout's fields, in its declaration order, pairing each with the page
// layout's field and the option of the same name. `f(name, savedMember, layoutMember, optionMember)` is
// called once per field, so the copy, apply, coding and test loops cannot forget one.
template <class F> void forEachSavedPageLayoutField(F&& f)
{
    using S = SavedPageLayout;
    using P = PageLayout;
    using O = SavedPageLayoutOptions;
    f(QStringLiteral("width"), &S::width, &P::width, &O::width);
    f(QStringLiteral("height"), &S::height, &P::height, &O::height);
    f(QStringLiteral("margin"), &S::margin, &P::margin, &O::margin);
    f(QStringLiteral("enableQuartz"), &S::enableQuartz, &P::enableQuartz, &O::enableQuartz);
    f(QStringLiteral("imageQuality"), &S::imageQuality, &P::imageQuality, &O::imageQuality);
    f(QStringLiteral("imageResolution"), &S::imageResolution, &P::imageResolution, &O::imageResolution);
    f(QStringLiteral("imageSizeMax"), &S::imageSizeMax, &P::imageSizeMax, &O::imageSizeMax);
    f(QStringLiteral("imageSizeMin"), &S::imageSizeMin, &P::imageSizeMin, &O::imageSizeMin);
    f(QStringLiteral("imageScaleFactor"), &S::imageScaleFactor, &P::imageScaleFactor, &O::imageScaleFactor);
    f(QStringLiteral("drawsBoundingBox"), &S::drawsBoundingBox, &P::drawsBoundingBox, &O::drawsBoundingBox);
    f(QStringLiteral("drawsImages"), &S::drawsImages, &P::drawsImages, &O::drawsImages);
    f(QStringLiteral("drawsBackground"), &S::drawsBackground, &P::drawsBackground, &O::drawsBackground);
    f(QStringLiteral("showsLabel"), &S::showsLabel, &P::showsLabel, &O::showsLabel);
    f(QStringLiteral("fontSize"), &S::fontSize, &P::fontSize, &O::fontSize);
    f(QStringLiteral("fontColor"), &S::fontColor, &P::fontColor, &O::fontColor);
    f(QStringLiteral("fontName"), &S::fontName, &P::fontName, &O::fontName);
    f(QStringLiteral("backgroundColor"), &S::backgroundColor, &P::backgroundColor, &O::backgroundColor);
    f(QStringLiteral("rows"), &S::rows, &P::rows, &O::rows);
    f(QStringLiteral("columns"), &S::columns, &P::columns, &O::columns);
}

} // namespace RuvedovUzedoz
