# Undo of layout changes through the window's undo stack.
target_sources(SheetwrightLayouts PRIVATE
  Undo/UndoShortcutFilter.cpp
)
