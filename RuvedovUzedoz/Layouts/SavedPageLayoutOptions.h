#pragma once

namespace RuvedovUzedoz {

// Which fields of the current page layout a new saved layout keeps: one flag per field, all on unless
// set otherwise. Flags are independent of each other.
struct SavedPageLayoutOptions {
    bool width = true;
    bool height = true;
    bool margin = true;
    bool enableQuartz = true;
    bool imageQuality = true;
    bool imageResolution = true;
    bool imageSizeMax = true;
    bool imageSizeMin = true;
    bool imageScaleFactor = true;
    bool drawsBoundingBox = true;
    bool drawsImages = true;
    bool drawsBackground = true;
    bool showsLabel = true;
    bool fontSize = true;
    bool fontColor = true;
    bool fontName = true;
    bool backgroundColor = true;
    bool rows = true;
    bool columns = true;

    void selectAll() { setAll(true); }
    void selectNone() { setAll(false); }

    friend bool operator==(const SavedPageLayoutOptions&, const SavedPageLayoutOptions&) = default;

private:
    void setAll(bool on)
    {
        width = height = margin = enableQuartz = imageQuality = imageResolution = imageSizeMax =
            imageSizeMin = imageScaleFactor = drawsBoundingBox = drawsImages = drawsBackground = showsLabel =
                fontSize = fontColor = fontName = backgroundColor = rows = columns = on;
    }
};

} // namespace RuvedovUzedoz
