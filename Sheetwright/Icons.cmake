# The one icon lookup, and the application's own drawings of the icons it uses for themes that lack them.
target_sources(SheetwrightLayouts PRIVATE
  Icons/ThemeIcon.cpp
)
qt_add_resources(SheetwrightLayouts "icons" PREFIX "/icons" BASE Icons FILES
  Icons/document-save.svg Icons/go-home.svg Icons/go-previous.svg Icons/go-up.svg Icons/list-add.svg
  Icons/list-remove.svg Icons/object-rotate-left.svg Icons/preferences-system.svg Icons/sidebar-show.svg
  Icons/system-software-update.svg Icons/view-refresh.svg)
