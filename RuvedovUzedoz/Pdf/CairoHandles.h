#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <memory>
#include <pango/pango.h>

namespace RuvedovUzedoz {

// Owners of the C library objects the PDF layer uses; each releases its object exactly once.
struct CairoContextDeleter {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct PangoFontDescriptionDeleter {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

using CairoContext = std::unique_ptr<cairo_t, CairoContextDeleter>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using PangoFontDescriptionHandle = std::unique_ptr<PangoFontDescription, PangoFontDescriptionDeleter>;
template <typename T> using GObjectHandle = std::unique_ptr<T, GObjectDeleter>;

} // namespace RuvedovUzedoz
