# The decoder program: risky picture decoders run in it, one process per picture, so that their crashes
# and runaway decodes cost that picture only. It sits next to the application; the engine also knows
# where the build put it, for the tests.
add_executable(sheetwright-decoder
  Decoder/DecoderMain.cpp
  Images/DecodeSize.cpp
  Images/TargetSize.cpp
)
target_include_directories(sheetwright-decoder PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(sheetwright-decoder PRIVATE Qt6::Core PkgConfig::VIPS)
set_target_properties(sheetwright-decoder PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/Sheetwright)
install(TARGETS sheetwright-decoder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

add_dependencies(RuvedovUzedoz sheetwright-decoder)
target_compile_definitions(RuvedovUzedoz PRIVATE
  SHEETWRIGHT_DECODER_BUILD_PATH="$<TARGET_FILE:sheetwright-decoder>")
