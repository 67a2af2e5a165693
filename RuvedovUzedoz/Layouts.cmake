# The engine's layout values: page layouts, colours and saved layouts.
target_sources(RuvedovUzedoz PRIVATE
  Layouts/BuiltInLayout.cpp
  Layouts/Color.cpp
  Layouts/ColorProxy.cpp
  Layouts/PageLayout.cpp
  Layouts/SavedPageLayout.cpp
)
