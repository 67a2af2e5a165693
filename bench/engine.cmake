# The engine benchmark: drives the contact sheet engine exactly as a window does, with no UI.
add_executable(sheetwright-bench engine/main.cpp)
target_link_libraries(sheetwright-bench PRIVATE RuvedovUzedoz KestrelExtensions Qt6::Core Qt6::Concurrent)
# `compare` finds the program next to itself in the build folder.
configure_file(engine/compare ${CMAKE_CURRENT_BINARY_DIR}/compare COPYONLY)
