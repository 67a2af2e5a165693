# The window benchmark: the longest main-thread stall while a window takes and renders large photos.
add_executable(sheetwright-window-bench window/main.cpp)
target_link_libraries(sheetwright-window-bench PRIVATE SheetwrightWindow)
