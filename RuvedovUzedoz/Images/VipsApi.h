#pragma once

// libvips pulls in GLib headers with members named `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <vips/vips.h>
#pragma pop_macro("signals")
